#pragma once

// Power operations on every attached display.
class DisplaysTools
{
public:
    // Forgets every cached display object and DDC/CI channel.
    static void releaseDisplays();
    // Switches every display that can be switched on; with `release`, cached objects and
    // channels nobody else holds are dropped afterwards.
    static void turnOn(bool release);
    static void TurnOnAndReleaseDisplays() { turnOn(true); }
    static void turnOnWithoutRelease() { turnOn(false); }
    // Switches every display that can be switched off. `delayMs` receives how long the
    // caller must wait before the displays are dark (at least 4000 ms).
    static void TurnOffDisplays(int* delayMs);
};
