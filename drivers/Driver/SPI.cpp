// The SPI1 interrupt: no driver drives an SPI bus on this board, but an error that reaches the
// interrupt is reported rather than lost.
#include "drivers/Driver/UART.h"
#include "system/System.h"

#include "stm32f4xx.h"
#include "stm32f4xx_spi.h"

#include <stdexcept>

namespace
{

struct ErrorSource
{
    uint8_t code;
    const char* message;
};

// Checked in this order; one source is reported per interrupt, the others stay pending and
// bring the interrupt back.
const ErrorSource errorSources[] = {
    {SPI_I2S_IT_ERR, "SPI_1 Error"},
    {SPI_I2S_IT_TIFRFE, "SPI_1 Frame Format Error"},
    {I2S_IT_UDR, "SPI_1 Underrun Error"},
    {SPI_I2S_IT_OVR, "SPI_1 Overrun Error"},
    {SPI_IT_CRCERR, "SPI_1 CRC Error"},
    {SPI_IT_MODF, "SPI_1 Mode Fault"},
};

// Writing 0 clears only CRCERR; the other flags clear by their read sequences, which are run
// here too so that a reported source does not bring the interrupt straight back.
void Clear(uint8_t code)
{
    SPI_I2S_ClearITPendingBit(SPI1, code);
    switch (code)
    {
    case SPI_I2S_IT_ERR: // the received-data flag: a data read clears it
    case SPI_I2S_IT_OVR: // a data read followed by a status read
    {
        const uint16_t data = SPI_I2S_ReceiveData(SPI1);
        (void)data;
        const FlagStatus status = SPI_I2S_GetFlagStatus(SPI1, SPI_I2S_FLAG_OVR);
        (void)status;
        break;
    }
    case SPI_IT_MODF: // a status read (made by the query) followed by a write of CR1
        SPI1->CR1 = SPI1->CR1;
        break;
    default: // underrun and frame format errors clear with the status read the query made
        break;
    }
}

} // namespace

extern "C" void SPI1_IRQHandler(void)
{
    for (const ErrorSource& source : errorSources)
    {
        if (SPI_I2S_GetITStatus(SPI1, source.code) == RESET)
            continue;
        Clear(source.code);
        try
        {
            throw std::runtime_error(source.message);
        }
        catch (const std::exception& exception)
        {
            Velmora::System::GetInstance().GetOnUnhandledException()(exception);
        }
        return;
    }
}
