// Fidelity: see the note in Spi.h.
#include "sim/models/Spi.h"

#include "sim/Board.h"
#include "stm32f4xx.h"

namespace Sim
{

namespace
{
const uint32_t cr1 = 0x00, cr2 = 0x04, sr = 0x08, dr = 0x0C;
const uint32_t errorFlags = SPI_SR_UDR | SPI_SR_CRCERR | SPI_SR_MODF | SPI_SR_OVR | SPI_SR_FRE;
const char* const m_names[4] = {"", "SPI1", "SPI2", "SPI3"};
const uint32_t m_bases[4] = {0, SPI1_BASE, SPI2_BASE, SPI3_BASE};
const int m_irqs[4] = {0, SPI1_IRQn, SPI2_IRQn, SPI3_IRQn};
} // namespace

Spi::Spi(Board& board, int number)
    : Peripheral(board, m_names[number], m_bases[number], 0x400, number == 1 ? BusKind::Apb2 : BusKind::Apb1),
      m_irq(m_irqs[number])
{
    Define("CR1", cr1, 0).Rw(0xFFFF).OnWrite(&Spi::WriteCr1);
    Define("CR2", cr2, 0).Rw(0xF7);
    Define("SR", sr, SPI_SR_TXE).Ro(0x1FF & ~SPI_SR_CRCERR).W0c(SPI_SR_CRCERR).OnRead(&Spi::ReadSr);
    Define("DR", dr, 0).Rw(0xFFFF).OnRead(&Spi::ReadDr).DataPort();
    Define("CRCPR", 0x10, 7).Rw(0xFFFF);
    Define("RXCRCR", 0x14, 0).Ro(0xFFFF);
    Define("TXCRCR", 0x18, 0).Ro(0xFFFF);
    Define("I2SCFGR", 0x1C, 0).Rw(0x0FBF);
    Define("I2SPR", 0x20, 2).Rw(0x03FF);
}

void Spi::Reset()
{
    Peripheral::Reset();
    m_dataReadWithOverrun = false;
    m_statusSeenWithModeFault = false;
}

void Spi::Update()
{
    const uint32_t status = Reg(sr).value;
    const uint32_t enables = Reg(cr2).value;
    const bool line = ((enables & SPI_CR2_ERRIE) != 0 && (status & errorFlags) != 0) ||
                      ((enables & SPI_CR2_RXNEIE) != 0 && (status & SPI_SR_RXNE) != 0) ||
                      ((enables & SPI_CR2_TXEIE) != 0 && (status & SPI_SR_TXE) != 0);
    board().core().SetIrqLine(m_irq, line);
}

void Spi::InjectFlags(uint32_t flags)
{
    Reg(sr).value |= flags & (errorFlags | SPI_SR_RXNE);
    Update();
}

uint32_t Spi::ReadSr(Register& reg)
{
    const uint32_t value = reg.value;
    // Read sequences that end with this status read.
    uint32_t cleared = SPI_SR_UDR | SPI_SR_FRE;
    if (m_dataReadWithOverrun)
        cleared |= SPI_SR_OVR;
    m_dataReadWithOverrun = false;
    m_statusSeenWithModeFault = (value & SPI_SR_MODF) != 0;
    reg.value &= ~cleared;
    Update();
    return value;
}

uint32_t Spi::ReadDr(Register& reg)
{
    Register& status = Reg(sr);
    m_dataReadWithOverrun = (status.value & SPI_SR_OVR) != 0;
    status.value &= ~SPI_SR_RXNE;
    Update();
    return reg.value;
}

void Spi::WriteCr1(Register&, uint32_t, uint32_t, uint32_t)
{
    if (m_statusSeenWithModeFault)
        Reg(sr).value &= ~SPI_SR_MODF;
    m_statusSeenWithModeFault = false;
    Update();
}

} // namespace Sim
