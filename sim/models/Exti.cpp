// Fidelity: see the note in Exti.h (the manual sections followed, what is modelled, what differs).
#include "sim/models/Exti.h"

#include "sim/Board.h"
#include "sim/models/Syscfg.h"
#include "stm32f4xx.h"

namespace Sim
{

namespace
{
const uint32_t imr = 0x00, emr = 0x04, rtsr = 0x08, ftsr = 0x0C, swier = 0x10, pr = 0x14;
const uint32_t lines = EXTI_LINE_MASK;

// The NVIC interrupt of each EXTI line.
const int m_lineIrq[23] = {EXTI0_IRQn,     EXTI1_IRQn,     EXTI2_IRQn,     EXTI3_IRQn,          EXTI4_IRQn,
                           EXTI9_5_IRQn,   EXTI9_5_IRQn,   EXTI9_5_IRQn,   EXTI9_5_IRQn,        EXTI9_5_IRQn,
                           EXTI15_10_IRQn, EXTI15_10_IRQn, EXTI15_10_IRQn, EXTI15_10_IRQn,      EXTI15_10_IRQn,
                           EXTI15_10_IRQn, PVD_IRQn,       RTC_Alarm_IRQn, OTG_FS_WKUP_IRQn,    ETH_WKUP_IRQn,
                           OTG_HS_WKUP_IRQn, TAMP_STAMP_IRQn, RTC_WKUP_IRQn};
const int m_irqs[] = {EXTI0_IRQn,   EXTI1_IRQn,     EXTI2_IRQn,       EXTI3_IRQn,    EXTI4_IRQn,
                      EXTI9_5_IRQn, EXTI15_10_IRQn, PVD_IRQn,         RTC_Alarm_IRQn, OTG_FS_WKUP_IRQn,
                      ETH_WKUP_IRQn, OTG_HS_WKUP_IRQn, TAMP_STAMP_IRQn, RTC_WKUP_IRQn};
} // namespace

Exti::Exti(Board& board) : Peripheral(board, "EXTI", EXTI_BASE, 0x400, BusKind::Apb2)
{
    Define("IMR", imr, 0).Rw(lines);
    Define("EMR", emr, 0).Rw(lines);
    Define("RTSR", rtsr, 0).Rw(lines);
    Define("FTSR", ftsr, 0).Rw(lines);
    Define("SWIER", swier, 0).Rw(lines).OnWrite(&Exti::WriteSwier);
    Define("PR", pr, 0).W1c(lines).OnWrite(&Exti::WritePr);
    for (int port = 0; port < 9; ++port)
        board.gpio(port).AddListener(*this);
}

void Exti::Update()
{
    const uint32_t active = FindRegister(pr)->value & FindRegister(imr)->value;
    bool level[irqCount] = {};
    for (int line = 0; line < 23; ++line)
        if (active >> line & 1)
            level[m_lineIrq[line]] = true;
    for (int irq : m_irqs)
        board().core().SetIrqLine(irq, level[irq]);
}

void Exti::PinChanged(int port, int pin, bool level)
{
    if (board().syscfg().ExtiPort(pin) != port)
        return;
    Edge(pin, level);
}

void Exti::Edge(int line, bool rising)
{
    const uint32_t bit = 1u << line;
    const uint32_t trigger = FindRegister(rising ? rtsr : ftsr)->value;
    if ((trigger & bit) == 0 || (FindRegister(imr)->value & bit) == 0)
        return;
    FindRegister(pr)->value |= bit;
    Update();
}

void Exti::WriteSwier(Register& reg, uint32_t previous, uint32_t, uint32_t)
{
    // A 0-to-1 change on an unmasked line sets its pending bit; SWIER stays set until PR is cleared.
    const uint32_t raised = reg.value & ~previous & FindRegister(imr)->value;
    FindRegister(pr)->value |= raised;
}

void Exti::WritePr(Register& reg, uint32_t previous, uint32_t, uint32_t)
{
    const uint32_t cleared = previous & ~reg.value;
    FindRegister(swier)->value &= ~cleared;
}

} // namespace Sim
