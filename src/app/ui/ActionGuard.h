#pragma once

#include <functional>

class MessageService;

// Runs one user action. An error it does not handle (a file that cannot be written, XML that
// is not well-formed) ends the action and is shown in the general error report; no exception
// crosses a Qt slot or the event loop. Returns whether the action ran to its end.
bool Run_Guarded(MessageService &messages, const std::function<void()> &action);
