// The board has nowhere to return to: the program's end stops here for good.

#include "stm32f4xx.h"

extern "C" void _exit(int)
{
    for (;;)
        __NOP();
}
