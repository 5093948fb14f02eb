// sternwake: one station of the ship-emergency exercise. No command-line
// options; everything is read from and written to the working directory.
#include "graphics/GraphicsModule.h"
#include "shell/Station.h"

int main() {
  const int result = runStation();
  // The engine goes while its plug-in libraries are still intact.
  graphicsModule.release();
  return result;
}
