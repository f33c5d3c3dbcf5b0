// Built against the installed headers and pkg-config file only: reads the
// header of a one-frame movie it writes itself.
#include <tagsmith/pipeline/tagsmith.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    // FWS, version 10, 15 bytes, an empty stage, 24 fps, 1 frame, End.
    const unsigned char movie[] = {'F', 'W', 'S', 10, 15, 0, 0, 0, 0, 0, 24, 1, 0, 0, 0};
    FILE* f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(movie, 1, sizeof movie, f) != sizeof movie || std::fclose(f) != 0) return 1;
    const Tflashhead head = readflashhead(argv[1]);
    std::printf("%d %d %u %d\n", head.ok, head.version, head.filelength, head.framecount);
    return head.ok && head.version == 10 && head.filelength == 15 && head.framecount == 1 ? 0 : 1;
}
