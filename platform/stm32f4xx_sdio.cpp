#include "stm32f4xx_sdio.h"

#include "stm32f4xx_rcc.h"

namespace
{

// The fields SDIO_Init owns in CLKCR: divider, power save, bypass, bus width, edge, flow control.
constexpr uint32_t clockFieldsMask = SDIO_CLKCR_CLKDIV | SDIO_CLKCR_PWRSAV | SDIO_CLKCR_BYPASS | SDIO_CLKCR_WIDBUS |
                                     SDIO_CLKCR_NEGEDGE | SDIO_CLKCR_HWFC_EN;
// The fields SDIO_SendCommand owns in CMD: index, response, waits, CPSM enable.
constexpr uint32_t commandFieldsMask =
    SDIO_CMD_CMDINDEX | SDIO_CMD_WAITRESP | SDIO_CMD_WAITINT | SDIO_CMD_WAITPEND | SDIO_CMD_CPSMEN;
// The fields SDIO_DataConfig owns in DCTRL; DMAEN and the SD I/O bits are kept.
constexpr uint32_t dataFieldsMask = SDIO_DCTRL_DTEN | SDIO_DCTRL_DTDIR | SDIO_DCTRL_DTMODE | SDIO_DCTRL_DBLOCKSIZE;
// Every static flag ICR can clear.
constexpr uint32_t staticFlagsMask = 0x00C007FF;

} // namespace

void SDIO_DeInit(void)
{
    RCC_APB2PeriphResetCmd(RCC_APB2Periph_SDIO, ENABLE);
    RCC_APB2PeriphResetCmd(RCC_APB2Periph_SDIO, DISABLE);
}

void SDIO_Init(SDIO_InitTypeDef* SDIO_InitStruct)
{
    uint32_t clock = SDIO->CLKCR;
    clock &= ~clockFieldsMask;
    clock |= SDIO_InitStruct->SDIO_ClockDiv | SDIO_InitStruct->SDIO_ClockPowerSave | SDIO_InitStruct->SDIO_ClockBypass |
             SDIO_InitStruct->SDIO_BusWide | SDIO_InitStruct->SDIO_ClockEdge |
             SDIO_InitStruct->SDIO_HardwareFlowControl;
    SDIO->CLKCR = clock;
}

void SDIO_StructInit(SDIO_InitTypeDef* SDIO_InitStruct)
{
    SDIO_InitStruct->SDIO_ClockDiv = 0;
    SDIO_InitStruct->SDIO_ClockEdge = SDIO_ClockEdge_Rising;
    SDIO_InitStruct->SDIO_ClockBypass = SDIO_ClockBypass_Disable;
    SDIO_InitStruct->SDIO_ClockPowerSave = SDIO_ClockPowerSave_Disable;
    SDIO_InitStruct->SDIO_BusWide = SDIO_BusWide_1b;
    SDIO_InitStruct->SDIO_HardwareFlowControl = SDIO_HardwareFlowControl_Disable;
}

void SDIO_ClockCmd(FunctionalState NewState)
{
    const uint32_t clock = SDIO->CLKCR;
    SDIO->CLKCR = NewState != DISABLE ? clock | SDIO_CLKCR_CLKEN : clock & ~SDIO_CLKCR_CLKEN;
}

void SDIO_SetPowerState(uint32_t SDIO_PowerState)
{
    SDIO->POWER = SDIO_PowerState & SDIO_POWER_PWRCTRL;
}

uint32_t SDIO_GetPowerState(void)
{
    return SDIO->POWER & SDIO_POWER_PWRCTRL;
}

void SDIO_SendCommand(SDIO_CmdInitTypeDef* SDIO_CmdInitStruct)
{
    SDIO->ARG = SDIO_CmdInitStruct->SDIO_Argument;
    uint32_t command = SDIO->CMD;
    command &= ~commandFieldsMask;
    command |= SDIO_CmdInitStruct->SDIO_CmdIndex | SDIO_CmdInitStruct->SDIO_Response | SDIO_CmdInitStruct->SDIO_Wait |
               SDIO_CmdInitStruct->SDIO_CPSM;
    SDIO->CMD = command;
}

void SDIO_CmdStructInit(SDIO_CmdInitTypeDef* SDIO_CmdInitStruct)
{
    SDIO_CmdInitStruct->SDIO_Argument = 0;
    SDIO_CmdInitStruct->SDIO_CmdIndex = 0;
    SDIO_CmdInitStruct->SDIO_Response = SDIO_Response_No;
    SDIO_CmdInitStruct->SDIO_Wait = SDIO_Wait_No;
    SDIO_CmdInitStruct->SDIO_CPSM = SDIO_CPSM_Disable;
}

uint8_t SDIO_GetCommandResponse(void)
{
    return static_cast<uint8_t>(SDIO->RESPCMD & SDIO_RESPCMD_RESPCMD);
}

uint32_t SDIO_GetResponse(uint32_t SDIO_RESP)
{
    switch (SDIO_RESP)
    {
    case SDIO_RESP2:
        return SDIO->RESP2;
    case SDIO_RESP3:
        return SDIO->RESP3;
    case SDIO_RESP4:
        return SDIO->RESP4;
    default:
        return SDIO->RESP1;
    }
}

void SDIO_DataConfig(SDIO_DataInitTypeDef* SDIO_DataInitStruct)
{
    SDIO->DTIMER = SDIO_DataInitStruct->SDIO_DataTimeOut;
    SDIO->DLEN = SDIO_DataInitStruct->SDIO_DataLength & SDIO_DLEN_DATALENGTH;
    uint32_t control = SDIO->DCTRL;
    control &= ~dataFieldsMask;
    control |= SDIO_DataInitStruct->SDIO_DataBlockSize | SDIO_DataInitStruct->SDIO_TransferDir |
               SDIO_DataInitStruct->SDIO_TransferMode | SDIO_DataInitStruct->SDIO_DPSM;
    SDIO->DCTRL = control;
}

void SDIO_DataStructInit(SDIO_DataInitTypeDef* SDIO_DataInitStruct)
{
    SDIO_DataInitStruct->SDIO_DataTimeOut = 0xFFFFFFFF;
    SDIO_DataInitStruct->SDIO_DataLength = 0;
    SDIO_DataInitStruct->SDIO_DataBlockSize = SDIO_DataBlockSize_1b;
    SDIO_DataInitStruct->SDIO_TransferDir = SDIO_TransferDir_ToCard;
    SDIO_DataInitStruct->SDIO_TransferMode = SDIO_TransferMode_Block;
    SDIO_DataInitStruct->SDIO_DPSM = SDIO_DPSM_Disable;
}

uint32_t SDIO_GetDataCounter(void)
{
    return SDIO->DCOUNT;
}

uint32_t SDIO_ReadData(void)
{
    return SDIO->FIFO;
}

void SDIO_WriteData(uint32_t Data)
{
    SDIO->FIFO = Data;
}

uint32_t SDIO_GetFIFOCount(void)
{
    return SDIO->FIFOCNT;
}

void SDIO_DMACmd(FunctionalState NewState)
{
    const uint32_t control = SDIO->DCTRL;
    SDIO->DCTRL = NewState != DISABLE ? control | SDIO_DCTRL_DMAEN : control & ~SDIO_DCTRL_DMAEN;
}

void SDIO_ITConfig(uint32_t SDIO_IT, FunctionalState NewState)
{
    const uint32_t mask = SDIO->MASK;
    SDIO->MASK = NewState != DISABLE ? mask | SDIO_IT : mask & ~SDIO_IT;
}

FlagStatus SDIO_GetFlagStatus(uint32_t SDIO_FLAG)
{
    return (SDIO->STA & SDIO_FLAG) != 0 ? SET : RESET;
}

void SDIO_ClearFlag(uint32_t SDIO_FLAG)
{
    SDIO->ICR = SDIO_FLAG & staticFlagsMask;
}

ITStatus SDIO_GetITStatus(uint32_t SDIO_IT)
{
    return (SDIO->STA & SDIO_IT) != 0 ? SET : RESET;
}

void SDIO_ClearITPendingBit(uint32_t SDIO_IT)
{
    SDIO->ICR = SDIO_IT & staticFlagsMask;
}
