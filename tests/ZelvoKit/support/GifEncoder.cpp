#include "tests/ZelvoKit/support/GifEncoder.h"

#include <QtGui/QColor>

#include <array>
#include <limits>

namespace zvtest {

namespace {

constexpr std::array<QRgb, 8> kPalette = {0xff000000, 0xffffffff, 0xffff0000, 0xff00ff00,
                                          0xff0000ff, 0xffffff00, 0xff00ffff, 0xffff00ff};
constexpr int kMinCodeSize = 3;
constexpr int kClearCode = 1 << kMinCodeSize;
constexpr int kEndCode = kClearCode + 1;
constexpr int kCodeWidth = kMinCodeSize + 1;
// Clearing this often keeps the decoder's table from reaching the next code width.
constexpr int kLiteralsPerClear = (1 << kMinCodeSize) - 2;

void putShort(QByteArray& out, int value) {
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

int nearestIndex(QRgb colour) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < int(kPalette.size()); ++i) {
        const int dr = qRed(colour) - qRed(kPalette[i]);
        const int dg = qGreen(colour) - qGreen(kPalette[i]);
        const int db = qBlue(colour) - qBlue(kPalette[i]);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

class BitWriter {
public:
    void write(int code) {
        buffer_ |= unsigned(code) << bits_;
        bits_ += kCodeWidth;
        while (bits_ >= 8) {
            bytes_.append(char(buffer_ & 0xff));
            buffer_ >>= 8;
            bits_ -= 8;
        }
    }
    QByteArray finish() {
        if (bits_ > 0)
            bytes_.append(char(buffer_ & 0xff));
        return bytes_;
    }

private:
    QByteArray bytes_;
    unsigned buffer_ = 0;
    int bits_ = 0;
};

QByteArray imageData(const QImage& image) {
    BitWriter writer;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int sinceClear = kLiteralsPerClear;
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            if (sinceClear == kLiteralsPerClear) {
                writer.write(kClearCode);
                sinceClear = 0;
            }
            writer.write(nearestIndex(argb.pixel(x, y)));
            ++sinceClear;
        }
    }
    writer.write(kEndCode);
    const QByteArray codes = writer.finish();

    QByteArray out;
    out.append(char(kMinCodeSize));
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append('\0');
    return out;
}

}  // namespace

QByteArray GifEncoder::encode(const std::vector<Frame>& frames, bool loop) {
    const QSize size = frames.empty() ? QSize(1, 1) : frames.front().image.size();
    QByteArray out("GIF89a");
    putShort(out, size.width());
    putShort(out, size.height());
    // Global colour table of 2^(2+1) entries, 8 bits per primary.
    out.append(char(0xf2));
    out.append('\0');
    out.append('\0');
    for (QRgb colour : kPalette) {
        out.append(char(qRed(colour)));
        out.append(char(qGreen(colour)));
        out.append(char(qBlue(colour)));
    }
    if (loop) {
        out.append("\x21\xff\x0bNETSCAPE2.0\x03\x01", 16);
        putShort(out, 0);
        out.append('\0');
    }
    for (const Frame& frame : frames) {
        if (frame.delay) {
            out.append("\x21\xf9\x04", 3);
            // Disposal "do not dispose", no transparency.
            out.append(char(0x04));
            putShort(out, *frame.delay);
            out.append('\0');
            out.append('\0');
        }
        out.append(',');
        putShort(out, 0);
        putShort(out, 0);
        putShort(out, frame.image.width());
        putShort(out, frame.image.height());
        out.append('\0');
        out.append(imageData(frame.image));
    }
    out.append(';');
    return out;
}

QByteArray GifEncoder::encodeSolid(const std::vector<QColor>& colours,
                                   const std::vector<std::optional<int>>& delays, int size) {
    std::vector<Frame> frames;
    for (std::size_t i = 0; i < colours.size(); ++i) {
        QImage image(size, size, QImage::Format_ARGB32);
        image.fill(colours[i]);
        frames.push_back({image, i < delays.size() ? delays[i] : std::nullopt});
    }
    return encode(frames);
}

}  // namespace zvtest
