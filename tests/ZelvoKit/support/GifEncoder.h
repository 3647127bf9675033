#pragma once

#include <QtCore/QByteArray>
#include <QtGui/QImage>

#include <optional>
#include <vector>

namespace zvtest {

// Writes small GIF files for tests, since Qt reads GIF but cannot write it. Colours are mapped to
// the nearest of an eight-colour palette (black, white, red, green, blue, yellow, cyan, magenta);
// the pixel data is stored with uncompressed LZW codes, which every decoder accepts.
class GifEncoder {
public:
    struct Frame {
        QImage image;
        // Centiseconds; no value writes the frame without a graphic control block.
        std::optional<int> delay;
    };

    // All frames must have the first frame's size.
    static QByteArray encode(const std::vector<Frame>& frames, bool loop = true);
    // Frames of a solid colour each, `size` pixels square.
    static QByteArray encodeSolid(const std::vector<QColor>& colours,
                                  const std::vector<std::optional<int>>& delays, int size = 4);
};

}  // namespace zvtest
