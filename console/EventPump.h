// The link's event pump for the program: called between the slices of every
// wait for the camera.
#pragma once

namespace dxconsole {

// Keeps the windows painting. Operator input is taken only while a modal
// window (the transfer window, a question) is up, because the window system
// then lets it reach nothing else; otherwise it waits until the exchange
// ends, so no handler can start a second exchange on the port mid-way.
void PumpEvents(void* unused);

}  // namespace dxconsole
