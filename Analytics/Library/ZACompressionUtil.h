#pragma once

#include <QtCore/QByteArray>

#include <optional>

// zlib compression of request bodies, and the matching decompression. Class operations only.
class ZACompressionUtil {
public:
    ZACompressionUtil() = delete;

    enum class Mode { Zlib = 0, Gzip = 1, Raw = 2 };
    static constexpr int kDefaultLevel = -1;

    // None for empty input or a zlib failure. Levels other than the default are clamped to 1..9.
    static std::optional<QByteArray> compress(const QByteArray& data, int level, Mode mode);
    static std::optional<QByteArray> gzip(const QByteArray& data, int level = kDefaultLevel) {
        return compress(data, level, Mode::Gzip);
    }
    static std::optional<QByteArray> deflate(const QByteArray& data, int level = kDefaultLevel) {
        return compress(data, level, Mode::Zlib);
    }
    static std::optional<QByteArray> rawDeflate(const QByteArray& data, int level = kDefaultLevel) {
        return compress(data, level, Mode::Raw);
    }

    // None for empty input, a broken stream or bytes left after the stream's end.
    static std::optional<QByteArray> inflate(const QByteArray& data, bool isRawData);
    // zlib or gzip input, detected.
    static std::optional<QByteArray> inflate(const QByteArray& data) {
        return inflate(data, false);
    }
    static std::optional<QByteArray> rawInflate(const QByteArray& data) {
        return inflate(data, true);
    }
    // The level a compression at `level` uses.
    static int effectiveLevel(int level);
};
