// Fidelity: see the note in Flash.h (the manual sections followed, what is modelled, what differs).
#include "sim/models/Flash.h"

#include "sim/Board.h"
#include "sim/models/Rcc.h"
#include "stm32f4xx.h"

namespace Sim
{

namespace
{
const uint32_t key1 = 0x45670123, key2 = 0xCDEF89AB;
const uint32_t optionKey1 = 0x08192A3B, optionKey2 = 0x4C5D6E7F;
} // namespace

Flash::Flash(Board& board) : Peripheral(board, "FLASH", FLASH_R_BASE, 0x400, BusKind::Ahb1)
{
    Define("ACR", 0x00, 0)
        .Rw(FLASH_ACR_LATENCY | FLASH_ACR_PRFTEN | FLASH_ACR_ICEN | FLASH_ACR_DCEN | FLASH_ACR_ICRST |
            FLASH_ACR_DCRST)
        .OnWrite(&Flash::WriteAcr);
    Define("KEYR", 0x04, 0).Wo(0xFFFFFFFF).OnWrite(&Flash::WriteKey);
    Define("OPTKEYR", 0x08, 0).Wo(0xFFFFFFFF).OnWrite(&Flash::WriteOptionKey);
    Define("SR", 0x0C, 0)
        .W1c(FLASH_SR_EOP | FLASH_SR_SOP | FLASH_SR_WRPERR | FLASH_SR_PGAERR | FLASH_SR_PGPERR | FLASH_SR_PGSERR)
        .Ro(FLASH_SR_BSY);
    Define("CR", 0x10, FLASH_CR_LOCK)
        .Rw(FLASH_CR_PG | FLASH_CR_SER | FLASH_CR_MER | FLASH_CR_SNB | FLASH_CR_PSIZE | FLASH_CR_EOPIE |
            (1u << 25) | FLASH_CR_LOCK)
        .Wo(FLASH_CR_STRT)
        .OnWrite(&Flash::WriteCr);
    Define("OPTCR", 0x14, 0x0FFFAAED).Rw(0x0FFFFFFF);
}

void Flash::WriteAcr(Register&, uint32_t, uint32_t, uint32_t)
{
    // Fewer wait states under a fast clock make the core read garbage at once.
    board().rcc().CheckFlashLatency();
}

void Flash::Reset()
{
    m_keyStep = 0;
    m_optionKeyStep = 0;
    m_keysRefused = false;
    Peripheral::Reset();
}

uint32_t Flash::Latency() const
{
    return const_cast<Flash*>(this)->FindRegister(0x00)->value & FLASH_ACR_LATENCY;
}

void Flash::WriteKey(Register&, uint32_t, uint32_t written, uint32_t)
{
    Register& control = *FindRegister(0x10);
    if (!m_keysRefused && m_keyStep == 0 && written == key1)
    {
        m_keyStep = 1;
        return;
    }
    if (!m_keysRefused && m_keyStep == 1 && written == key2)
        control.value &= ~FLASH_CR_LOCK;
    else
    {
        // A wrong sequence locks the control register until the next reset (and is a bus error).
        control.value |= FLASH_CR_LOCK;
        m_keysRefused = true;
        board().Diagnose("FLASH: wrong key sequence written to KEYR");
    }
    m_keyStep = 0;
}

void Flash::WriteOptionKey(Register&, uint32_t, uint32_t written, uint32_t)
{
    Register& options = *FindRegister(0x14);
    if (m_optionKeyStep == 0 && written == optionKey1)
    {
        m_optionKeyStep = 1;
        return;
    }
    if (m_optionKeyStep == 1 && written == optionKey2)
        options.value &= ~FLASH_OPTCR_OPTLOCK;
    m_optionKeyStep = 0;
}

void Flash::WriteCr(Register& reg, uint32_t previous, uint32_t written, uint32_t)
{
    // While locked, CR cannot be written (LOCK itself stays set).
    if (previous & FLASH_CR_LOCK)
    {
        reg.value = previous;
        return;
    }
    if (written & FLASH_CR_STRT)
        board().Diagnose("FLASH: programming and erasing are not modelled");
}

} // namespace Sim
