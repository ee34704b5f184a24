// Writes the control's 16 x 15 toolbox bitmap as a BMP file for the Windows resource
// compiler. Runs on the build machine: the picture is drawn by the same code that gives
// the Linux server its bitmap resource.
#include <cstdio>
#include <fstream>

#include "resources.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.bmp\n", argv[0]);
        return 2;
    }
    const std::string_view bitmap = tintbox::shell::toolbox_bitmap();
    std::ofstream out(argv[1], std::ios::binary);
    out.write(bitmap.data(), static_cast<std::streamsize>(bitmap.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot write\n", argv[1]);
        return 1;
    }
    return 0;
}
