#pragma once

namespace Driver
{

// The buzzer on PA10, driven by TIM1 channel 3 with a steady tone of about 1 kHz. The timer runs
// all the time; the buzzer is switched by TIM1's main output enable, so it starts and stops at
// once. The outputs are off after reset.
class Buzzer
{
public:
    // The first call sets the timer up (silent).
    static Buzzer& GetInstance();

    // Sounds the buzzer if `on`, silences it otherwise.
    void On(bool on);

    Buzzer(const Buzzer&) = delete;
    Buzzer& operator=(const Buzzer&) = delete;

private:
    Buzzer();
};

} // namespace Driver
