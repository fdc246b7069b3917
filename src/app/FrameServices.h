// IFrameServices: what the panes and the document may ask of the main frame.
// They hold this narrow interface, handed to them when the frame creates
// them, instead of finding the main window and casting it.
#pragma once

#include "base/WorkerThread.h"

#include <windows.h>
#include <functional>
#include <string>

enum class Pane
{
    None,
    Tree,
    Values,
    Search,
    Address,
};

class IFrameServices
{
  public:
    // What a background task gives back: run later on the window thread
    // (nothing when empty).
    using UiAction = std::function<void()>;
    using Task = std::function<UiAction(const zv::StopToken& stop)>;

    virtual ~IFrameServices() = default;
    virtual void FocusPane(Pane pane) = 0;
    virtual void SetStatusText(const std::wstring& text) = 0;
    // Shows a progress bar in the status bar at percent (0-100); a negative
    // percent hides it.
    virtual void ShowProgress(int percent) { (void)percent; }
    // Posts a command to the frame, to run after the current message.
    virtual void PostCommand(UINT command) = 0;
    virtual void SetTitle(const std::wstring& title) = 0;
    // Shows the current key in the address bar (not while the user types there).
    virtual void ShowLocation(const std::wstring& path) { (void)path; }
    // Starts the change monitors of the five roots (once).
    virtual void WatchRegistry() = 0;
    // Runs task on a worker the frame owns: closing the frame stops the task
    // and waits for it, and its UiAction then never runs.
    virtual void StartTask(Task task) = 0;
    // Runs action on the window thread after the current message; a task
    // may call it (its progress), the frame drops it once it is closing.
    virtual void PostToUi(UiAction action) = 0;
};
