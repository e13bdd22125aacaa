#include "stm32f4xx_dma.h"

namespace
{

// Flag bits that exist in LISR/HISR (and LIFCR/HIFCR); the code bits above them and the
// reserved bits are never written to a clear register.
constexpr uint32_t flagBitsMask = 0x0F7D0F7Du;
constexpr uint32_t highRegistersCode = 0x20000000u;
constexpr uint32_t fifoErrorEnableCode = 0x80000000u;
// The four enable bits of SxCR that a flag code carries in bits 12-15.
constexpr uint32_t transferEnableBits = DMA_SxCR_TCIE | DMA_SxCR_HTIE | DMA_SxCR_TEIE | DMA_SxCR_DMEIE;
// Every field DMA_Init sets, cleared first so that a previous configuration does not leak in.
constexpr uint32_t initFieldsMask = DMA_SxCR_CHSEL | DMA_SxCR_MBURST | DMA_SxCR_PBURST | DMA_SxCR_PL |
                                    DMA_SxCR_MSIZE | DMA_SxCR_PSIZE | DMA_SxCR_MINC | DMA_SxCR_PINC |
                                    DMA_SxCR_CIRC | DMA_SxCR_DIR | DMA_SxCR_CT | DMA_SxCR_DBM;

// The stream blocks follow the controller's four flag registers; the controllers are 1 KB
// aligned.
DMA_TypeDef* Controller(DMA_Stream_TypeDef* stream)
{
    return reinterpret_cast<DMA_TypeDef*>(reinterpret_cast<uintptr_t>(stream) & ~uintptr_t(0x3FF));
}

unsigned StreamNumber(DMA_Stream_TypeDef* stream)
{
    return static_cast<unsigned>(((reinterpret_cast<uintptr_t>(stream) & 0x3FF) - 0x10) / 0x18);
}

// Every flag of one stream, in its clear register's layout.
uint32_t AllFlagsOf(unsigned stream)
{
    static const unsigned shifts[4] = {0, 6, 16, 22};
    return 0x3Du << shifts[stream % 4];
}

uint32_t ReadFlags(DMA_Stream_TypeDef* stream, uint32_t code)
{
    DMA_TypeDef* controller = Controller(stream);
    const uint32_t flags = (code & highRegistersCode) ? controller->HISR : controller->LISR;
    return flags & flagBitsMask & code;
}

void ClearFlags(DMA_Stream_TypeDef* stream, uint32_t code)
{
    DMA_TypeDef* controller = Controller(stream);
    if (code & highRegistersCode)
        controller->HIFCR = code & flagBitsMask;
    else
        controller->LIFCR = code & flagBitsMask;
}

} // namespace

void DMA_DeInit(DMA_Stream_TypeDef* DMAy_Streamx)
{
    DMAy_Streamx->CR = DMAy_Streamx->CR & ~DMA_SxCR_EN;
    DMAy_Streamx->CR = 0;
    DMAy_Streamx->NDTR = 0;
    DMAy_Streamx->PAR = 0;
    DMAy_Streamx->M0AR = 0;
    DMAy_Streamx->M1AR = 0;
    DMAy_Streamx->FCR = 0x00000021; // reset value: direct mode, threshold half full

    const unsigned stream = StreamNumber(DMAy_Streamx);
    DMA_TypeDef* controller = Controller(DMAy_Streamx);
    if (stream < 4)
        controller->LIFCR = AllFlagsOf(stream);
    else
        controller->HIFCR = AllFlagsOf(stream);
}

void DMA_Init(DMA_Stream_TypeDef* DMAy_Streamx, DMA_InitTypeDef* DMA_InitStruct)
{
    uint32_t control = DMAy_Streamx->CR;
    control &= ~initFieldsMask;
    control |= DMA_InitStruct->DMA_Channel | DMA_InitStruct->DMA_DIR | DMA_InitStruct->DMA_PeripheralInc |
               DMA_InitStruct->DMA_MemoryInc | DMA_InitStruct->DMA_PeripheralDataSize |
               DMA_InitStruct->DMA_MemoryDataSize | DMA_InitStruct->DMA_Mode | DMA_InitStruct->DMA_Priority |
               DMA_InitStruct->DMA_MemoryBurst | DMA_InitStruct->DMA_PeripheralBurst;
    DMAy_Streamx->CR = control;

    uint32_t fifoControl = DMAy_Streamx->FCR;
    fifoControl &= ~(DMA_SxFCR_DMDIS | DMA_SxFCR_FTH);
    fifoControl |= DMA_InitStruct->DMA_FIFOMode | DMA_InitStruct->DMA_FIFOThreshold;
    DMAy_Streamx->FCR = fifoControl;

    DMAy_Streamx->NDTR = DMA_InitStruct->DMA_BufferSize;
    DMAy_Streamx->PAR = DMA_InitStruct->DMA_PeripheralBaseAddr;
    DMAy_Streamx->M0AR = DMA_InitStruct->DMA_Memory0BaseAddr;
}

void DMA_StructInit(DMA_InitTypeDef* DMA_InitStruct)
{
    DMA_InitStruct->DMA_Channel = 0;
    DMA_InitStruct->DMA_PeripheralBaseAddr = 0;
    DMA_InitStruct->DMA_Memory0BaseAddr = 0;
    DMA_InitStruct->DMA_DIR = DMA_DIR_PeripheralToMemory;
    DMA_InitStruct->DMA_BufferSize = 0;
    DMA_InitStruct->DMA_PeripheralInc = DMA_PeripheralInc_Disable;
    DMA_InitStruct->DMA_MemoryInc = DMA_MemoryInc_Disable;
    DMA_InitStruct->DMA_PeripheralDataSize = DMA_PeripheralDataSize_Byte;
    DMA_InitStruct->DMA_MemoryDataSize = DMA_MemoryDataSize_Byte;
    DMA_InitStruct->DMA_Mode = DMA_Mode_Normal;
    DMA_InitStruct->DMA_Priority = DMA_Priority_Low;
    DMA_InitStruct->DMA_FIFOMode = DMA_FIFOMode_Disable;
    DMA_InitStruct->DMA_FIFOThreshold = DMA_FIFOThreshold_1QuarterFull;
    DMA_InitStruct->DMA_MemoryBurst = DMA_MemoryBurst_Single;
    DMA_InitStruct->DMA_PeripheralBurst = DMA_PeripheralBurst_Single;
}

void DMA_Cmd(DMA_Stream_TypeDef* DMAy_Streamx, FunctionalState NewState)
{
    if (NewState != DISABLE)
        DMAy_Streamx->CR = DMAy_Streamx->CR | DMA_SxCR_EN;
    else
        DMAy_Streamx->CR = DMAy_Streamx->CR & ~DMA_SxCR_EN;
}

FunctionalState DMA_GetCmdStatus(DMA_Stream_TypeDef* DMAy_Streamx)
{
    return (DMAy_Streamx->CR & DMA_SxCR_EN) != 0 ? ENABLE : DISABLE;
}

void DMA_FlowControllerConfig(DMA_Stream_TypeDef* DMAy_Streamx, uint32_t DMA_FlowCtrl)
{
    if (DMA_FlowCtrl != DMA_FlowCtrl_Memory)
        DMAy_Streamx->CR = DMAy_Streamx->CR | DMA_SxCR_PFCTRL;
    else
        DMAy_Streamx->CR = DMAy_Streamx->CR & ~DMA_SxCR_PFCTRL;
}

void DMA_SetCurrDataCounter(DMA_Stream_TypeDef* DMAy_Streamx, uint16_t Counter)
{
    DMAy_Streamx->NDTR = Counter;
}

uint16_t DMA_GetCurrDataCounter(DMA_Stream_TypeDef* DMAy_Streamx)
{
    return static_cast<uint16_t>(DMAy_Streamx->NDTR);
}

void DMA_ITConfig(DMA_Stream_TypeDef* DMAy_Streamx, uint32_t DMA_IT, FunctionalState NewState)
{
    if (DMA_IT & DMA_IT_FE)
    {
        if (NewState != DISABLE)
            DMAy_Streamx->FCR = DMAy_Streamx->FCR | DMA_SxFCR_FEIE;
        else
            DMAy_Streamx->FCR = DMAy_Streamx->FCR & ~DMA_SxFCR_FEIE;
    }
    const uint32_t transferBits = DMA_IT & transferEnableBits;
    if (transferBits != 0)
    {
        if (NewState != DISABLE)
            DMAy_Streamx->CR = DMAy_Streamx->CR | transferBits;
        else
            DMAy_Streamx->CR = DMAy_Streamx->CR & ~transferBits;
    }
}

ITStatus DMA_GetITStatus(DMA_Stream_TypeDef* DMAy_Streamx, uint32_t DMA_IT)
{
    bool enabled;
    if (DMA_IT & fifoErrorEnableCode)
        enabled = (DMAy_Streamx->FCR & DMA_SxFCR_FEIE) != 0;
    else
        enabled = (DMAy_Streamx->CR & ((DMA_IT >> 11) & transferEnableBits)) != 0;
    if (!enabled)
        return RESET;
    return ReadFlags(DMAy_Streamx, DMA_IT) != 0 ? SET : RESET;
}

void DMA_ClearITPendingBit(DMA_Stream_TypeDef* DMAy_Streamx, uint32_t DMA_IT)
{
    ClearFlags(DMAy_Streamx, DMA_IT);
}

FlagStatus DMA_GetFlagStatus(DMA_Stream_TypeDef* DMAy_Streamx, uint32_t DMA_FLAG)
{
    return ReadFlags(DMAy_Streamx, DMA_FLAG) != 0 ? SET : RESET;
}

void DMA_ClearFlag(DMA_Stream_TypeDef* DMAy_Streamx, uint32_t DMA_FLAG)
{
    ClearFlags(DMAy_Streamx, DMA_FLAG);
}
