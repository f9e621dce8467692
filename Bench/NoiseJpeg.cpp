// Writes a JPEG of random noise (quality 100, no chroma subsampling) of about the given size: the
// worst case for a view export, since noise does not compress. Used by export-vs-curl.sh.
//
//   NoiseJpeg OUTPUT BYTES

#include <turbojpeg.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

struct Compressor {
    tjhandle handle = tjInitCompress();
    ~Compressor() { tjDestroy(handle); }
};

struct JpegBuffer {
    unsigned char* data = nullptr;
    unsigned long size = 0;
    ~JpegBuffer() { tjFree(data); }
};

// Encodes side x side pixels of noise; false with a message on failure.
bool Encode(Compressor& compressor, int side, JpegBuffer& jpeg) {
    std::vector<unsigned char> pixels(std::size_t(side) * std::size_t(side) * 3);
    std::mt19937 random(7);
    for (unsigned char& byte : pixels)
        byte = static_cast<unsigned char>(random());
    if (tjCompress2(compressor.handle, pixels.data(), side, 0, side, TJPF_RGB, &jpeg.data, &jpeg.size,
                    TJSAMP_444, 100, 0) != 0) {
        std::fprintf(stderr, "NoiseJpeg: %s\n", tjGetErrorStr2(compressor.handle));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: NoiseJpeg OUTPUT BYTES\n");
        return 2;
    }
    char* end = nullptr;
    const double target = std::strtod(argv[2], &end);
    if (*end != '\0' || !(target >= 1024 && target <= 1e9)) {
        std::fprintf(stderr, "NoiseJpeg: BYTES must be a number from 1024 to 1e9, not \"%s\"\n", argv[2]);
        return 2;
    }
    Compressor compressor;
    if (compressor.handle == nullptr) {
        std::fprintf(stderr, "NoiseJpeg: %s\n", tjGetErrorStr2(nullptr));
        return 1;
    }
    // Noise costs the same per pixel at any size: measure it on a sample, then scale the side.
    constexpr int SampleSide = 256;
    JpegBuffer sample;
    if (!Encode(compressor, SampleSide, sample))
        return 1;
    const double bytesPerPixel = double(sample.size) / (SampleSide * SampleSide);
    const int side = static_cast<int>(std::lround(std::sqrt(target / bytesPerPixel)));
    JpegBuffer jpeg;
    if (!Encode(compressor, side, jpeg))
        return 1;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(argv[1], "wb"), &std::fclose);
    if (!file || std::fwrite(jpeg.data, 1, jpeg.size, file.get()) != jpeg.size) {
        std::fprintf(stderr, "NoiseJpeg: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %dx%d, %lu bytes\n", argv[1], side, side, jpeg.size);
    return 0;
}
