// The main window's stored background picture: what the right panel shows when the medium brings no
// picture of its own for the screen size (or one that cannot be read).
#pragma once
#include <cstdint>
#include <vector>

namespace app {

// A 24-bit BMP of a soft vertical gradient, light blue at the top to white at the bottom; the image
// control stretches it over the panel.
std::vector<uint8_t> StoredBackgroundPicture();

}  // namespace app
