#pragma once

#include <QString>

// Which display server the session has, read from the session's environment before the GUI
// starts. Without one the GUI runs on the offscreen platform, so the agent keeps its database,
// tasks and pipe instead of aborting in the windowing system's plugin.
class DisplayServer
{
public:
    enum class Kind
    {
        None,
        X11,
        Wayland,
    };

    static Kind detect();
    // Picks the GUI platform for a process about to make its application object: offscreen when
    // there is no display server and the user chose no platform. Answers the line to log once
    // logging runs (empty when there is nothing to say).
    static QString prepareGuiPlatform();
};
