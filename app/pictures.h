#pragma once

namespace zorvex::app {

// Makes the program's pictures (":/zorvex/logo.png", "startup.png",
// "icon.png") available. They are compiled into the static app library, whose
// own initialiser the linker may drop, so every user registers them first.
// Safe to call any number of times.
void RegisterPictures();

}  // namespace zorvex::app
