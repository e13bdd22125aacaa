// SDL first: the device header defines names (__I, __O) that its intrinsics headers use.
#include <SDL.h>

#include "sim/frontend/Window.h"

#include "sim/Screenshot.h"
#include "sim/World.h"
#include "sim/devices/SSD1963.h"
#include "sim/frontend/Options.h"
#include "sim/frontend/ScenarioRunner.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace Sim
{

namespace
{

// Side panel: 36 input switches (6 x 6), 36 output lamps (6 x 6), four voltage sliders, the buzzer.
constexpr int sideWidth = 200;
constexpr int cell = 30;
constexpr int gridLeft = panelWidth + 10;
constexpr int inputsTop = 8;
constexpr int outputsTop = 196;
constexpr int slidersTop = 384;
constexpr int sliderHeight = 64;
constexpr int buzzerTop = 454;
constexpr Tick frame = ticksPerSecond / 60;

struct WindowState
{
    World* world = nullptr;
    const Options* options = nullptr;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* panel = nullptr;
    bool fingerDown = false;
    bool inputs[digitalChannelCount] = {};
    double volts[analogChannelCount] = {};
    int selectedAnalog = 0;
    Uint64 hostStart = 0;
    Tick virtualStart = 0;
    // F12 asks for a picture of the whole window, taken at the next frame drawn.
    bool pictureDue = false;
    int pictures = 0;
};

WindowState m_state;

SDL_Rect Cell(int top, int index)
{
    return SDL_Rect{gridLeft + cell * (index % 6), top + cell * (index / 6), cell - 4, cell - 4};
}

SDL_Rect Slider(int index)
{
    return SDL_Rect{gridLeft + 46 * index, slidersTop, 38, sliderHeight};
}

bool Inside(const SDL_Rect& r, int x, int y)
{
    return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
}

void ToggleInput(int channel)
{
    m_state.inputs[channel] = !m_state.inputs[channel];
    DriveDigitalInput(*m_state.world, channel, m_state.inputs[channel]);
}

void SetVolts(int channel, double volts)
{
    volts = volts < 0 ? 0 : (volts > analogFullScaleVolts ? analogFullScaleVolts : volts);
    m_state.volts[channel] = volts;
    SetAnalogVoltage(*m_state.world, channel, volts);
}

void Click(int x, int y)
{
    for (int i = 0; i < digitalChannelCount; ++i)
        if (Inside(Cell(inputsTop, i), x, y))
            ToggleInput(i);
    for (int i = 0; i < analogChannelCount; ++i)
        if (Inside(Slider(i), x, y))
        {
            m_state.selectedAnalog = i;
            const SDL_Rect r = Slider(i);
            SetVolts(i, analogFullScaleVolts * (r.y + r.h - 1 - y) / (r.h - 1));
        }
}

void HandleEvents()
{
    World& world = *m_state.world;
    SDL_Event event;
    while (SDL_PollEvent(&event))
    {
        switch (event.type)
        {
        case SDL_QUIT:
            SDL_DestroyWindow(m_state.window);
            EndRun(world, *m_state.options, 0);
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button != SDL_BUTTON_LEFT)
                break;
            if (event.button.x < panelWidth)
            {
                m_state.fingerDown = true;
                world.TouchPress(event.button.x, event.button.y);
            }
            else
                Click(event.button.x, event.button.y);
            break;
        case SDL_MOUSEMOTION:
            if (m_state.fingerDown)
            {
                // The finger slides off the glass at the panel's edge.
                if (event.motion.x >= 0 && event.motion.x < panelWidth && event.motion.y >= 0 &&
                    event.motion.y < panelHeight)
                    world.TouchMove(event.motion.x, event.motion.y);
                else
                {
                    m_state.fingerDown = false;
                    world.TouchRelease();
                }
            }
            break;
        case SDL_MOUSEBUTTONUP:
            if (event.button.button == SDL_BUTTON_LEFT && m_state.fingerDown)
            {
                m_state.fingerDown = false;
                world.TouchRelease();
            }
            break;
        case SDL_KEYDOWN:
        {
            // 0..3 switch the direct inputs, F1..F4 pick an analog input, up and down change it.
            const SDL_Keycode key = event.key.keysym.sym;
            if (key >= SDLK_0 && key <= SDLK_3)
                ToggleInput(key - SDLK_0);
            else if (key >= SDLK_F1 && key <= SDLK_F4)
                m_state.selectedAnalog = key - SDLK_F1;
            else if (key == SDLK_UP || key == SDLK_DOWN)
                SetVolts(m_state.selectedAnalog,
                         m_state.volts[m_state.selectedAnalog] + (key == SDLK_UP ? 0.1 : -0.1));
            else if (key == SDLK_F12)
                m_state.pictureDue = true;
            else if (key == SDLK_ESCAPE || (key == SDLK_q && (event.key.keysym.mod & KMOD_CTRL)))
            {
                SDL_Event quit{};
                quit.type = SDL_QUIT;
                SDL_PushEvent(&quit);
            }
            break;
        }
        default:
            break;
        }
    }
}

void Fill(const SDL_Rect& r, Uint8 red, Uint8 green, Uint8 blue)
{
    SDL_SetRenderDrawColor(m_state.renderer, red, green, blue, 255);
    SDL_RenderFillRect(m_state.renderer, &r);
}

// Keeps what the window shows (panel and side panel) as window-N.png in the screenshot folder.
void KeepPicture()
{
    Image picture;
    SDL_GetRendererOutputSize(m_state.renderer, reinterpret_cast<int*>(&picture.width),
                              reinterpret_cast<int*>(&picture.height));
    picture.rgb.resize(picture.width * picture.height * 3);
    const std::string path =
        m_state.options->screenshotDir + "/window-" + std::to_string(++m_state.pictures) + ".png";
    try
    {
        if (SDL_RenderReadPixels(m_state.renderer, nullptr, SDL_PIXELFORMAT_RGB24, picture.rgb.data(),
                                 static_cast<int>(picture.width * 3)) != 0)
            throw std::runtime_error(SDL_GetError());
        WritePng(picture, path);
        Say("velmora-sim: the window's picture is in " + path + "\n");
    }
    catch (const std::exception& e)
    {
        Say("velmora-sim: no picture of the window: " + std::string(e.what()) + "\n");
    }
}

void Draw()
{
    World& world = *m_state.world;
    const Image picture = TakeScreenshot(world.board().ssd1963());
    SDL_UpdateTexture(m_state.panel, nullptr, picture.rgb.data(), static_cast<int>(picture.width * 3));
    SDL_SetRenderDrawColor(m_state.renderer, 40, 40, 40, 255);
    SDL_RenderClear(m_state.renderer);
    const SDL_Rect panelRect{0, 0, panelWidth, panelHeight};
    SDL_RenderCopy(m_state.renderer, m_state.panel, nullptr, &panelRect);
    for (int i = 0; i < digitalChannelCount; ++i)
    {
        const bool high = DigitalInputLevel(world, i);
        Fill(Cell(inputsTop, i), high ? 80 : 30, high ? 160 : 50, high ? 255 : 90);
        const bool on = DigitalOutputOn(world, i);
        Fill(Cell(outputsTop, i), on ? 40 : 20, on ? 230 : 60, on ? 40 : 20);
    }
    for (int i = 0; i < analogChannelCount; ++i)
    {
        SDL_Rect r = Slider(i);
        Fill(r, i == m_state.selectedAnalog ? 90 : 60, 60, 60);
        const int level = static_cast<int>(m_state.volts[i] / analogFullScaleVolts * r.h);
        Fill(SDL_Rect{r.x, r.y + r.h - level, r.w, level}, 230, 200, 40);
    }
    const bool sounding = world.BuzzerSounding();
    Fill(SDL_Rect{gridLeft, buzzerTop, 176, 20}, sounding ? 255 : 60, sounding ? 80 : 40, sounding ? 40 : 40);
    if (m_state.pictureDue)
    {
        m_state.pictureDue = false;
        KeepPicture();
    }
    SDL_RenderPresent(m_state.renderer);

    char title[160];
    std::snprintf(title, sizeof title, "velmora-sim  A0 %.2fV  A1 %.2fV  A2 %.2fV  A3 %.2fV  (F%d)%s",
                  m_state.volts[0], m_state.volts[1], m_state.volts[2], m_state.volts[3],
                  m_state.selectedAnalog + 1, sounding ? "  buzzer" : "");
    SDL_SetWindowTitle(m_state.window, title);
}

// Keeps virtual time in step with the host's clock: a frame that is early waits.
void Pace()
{
    World& world = *m_state.world;
    const double virtualSeconds =
        static_cast<double>(world.Now() - m_state.virtualStart) / static_cast<double>(ticksPerSecond);
    const double hostSeconds = static_cast<double>(SDL_GetPerformanceCounter() - m_state.hostStart) /
                               static_cast<double>(SDL_GetPerformanceFrequency());
    if (virtualSeconds > hostSeconds)
        SDL_Delay(static_cast<Uint32>((virtualSeconds - hostSeconds) * 1000.0));
    else if (hostSeconds - virtualSeconds > 0.5)
    {
        // Too slow to keep up: start counting again rather than racing to catch up.
        m_state.hostStart = SDL_GetPerformanceCounter();
        m_state.virtualStart = world.Now();
    }
}

void Frame()
{
    HandleEvents();
    Draw();
    Pace();
    m_state.world->ScheduleIn(frame, Frame, "window frame");
}

} // namespace

void StartWindow(World& world, const Options& options, ScenarioRunner*)
{
    m_state.world = &world;
    m_state.options = &options;
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
    {
        Say(std::string("velmora-sim: no window can be opened (") + SDL_GetError() +
            "); run a scenario with --headless --scenario FILE\n");
        EndRun(world, options, 2);
    }
    m_state.window = SDL_CreateWindow("velmora-sim", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                      panelWidth + sideWidth, panelHeight, 0);
    if (m_state.window != nullptr)
        m_state.renderer = SDL_CreateRenderer(m_state.window, -1, 0);
    if (m_state.renderer != nullptr)
        m_state.panel = SDL_CreateTexture(m_state.renderer, SDL_PIXELFORMAT_RGB24, SDL_TEXTUREACCESS_STREAMING,
                                          panelWidth, panelHeight);
    if (m_state.panel == nullptr)
    {
        Say(std::string("velmora-sim: no window can be opened (") + SDL_GetError() + ")\n");
        EndRun(world, options, 2);
    }
    // The inputs start low and the voltages at 0 V, as the side panel shows them.
    for (int i = 0; i < digitalChannelCount; ++i)
        DriveDigitalInput(world, i, false);
    for (int i = 0; i < analogChannelCount; ++i)
        SetAnalogVoltage(world, i, 0.0);
    m_state.hostStart = SDL_GetPerformanceCounter();
    m_state.virtualStart = world.Now();
    world.ScheduleIn(frame, Frame, "window frame");
}

} // namespace Sim
