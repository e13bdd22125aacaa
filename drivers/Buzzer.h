#pragma once

namespace Velmora
{

// The board's buzzer: a fixed tone of about 1 kHz, switched on and off.
class Buzzer
{
public:
    static Buzzer& GetInstance();

    // Sounds if `on`; On(false) silences.
    void On(bool on);
    // Silences if `off`; Off(false) sounds.
    void Off(bool off);

    Buzzer(const Buzzer&) = delete;
    Buzzer& operator=(const Buzzer&) = delete;

private:
    Buzzer() = default;
};

extern Buzzer& buzzer;

} // namespace Velmora
