#pragma once

class MainPage
{
public:
    MainPage();
    ~MainPage();
    MainPage(const MainPage&) = delete;
    MainPage& operator=(const MainPage&) = delete;

    // Shows the clock until one of the three selection buttons is released; returns the chosen
    // page: 1 digital inputs, 2 digital outputs, 3 analog inputs.
    int Run();
};
