#include "app/PageFrame.h"

#include "app/Background.h"

#include "graphics/Constants.h"
#include "graphics/DefaultFont.h"
#include "graphics/LCD.h"
#include "graphics/VelmoraExtensions.h"

#include "stm32f4xx.h"

#include <utility>

using namespace Velmora;

namespace PageFrame
{

void Begin(const std::string& title, const Area& titleArea, float size)
{
    lcd.DisableFlush(true);
    lcd.Clear();
    DrawBackground(veryDarkBlue);
    FillText(titleArea, title, DefaultFont::GetInstance(), size, whiteBrush, HorizontalAlignment::Center,
             VerticalAlignment::Top);
}

void End()
{
    lcd.EnableFlush(true);
    while (lcd.HasChanges())
        __NOP();
    lcd.DisableFlush(true);
}

ExitHandler::ExitHandler(Button& button, std::function<void(Button&)> handler) : button(button)
{
    button.SetOnTouched(std::move(handler));
}

ExitHandler::~ExitHandler()
{
    button.SetOnTouched(nullptr);
}

} // namespace PageFrame
