// Build tool: renders an SVG image at several sizes into one ICO file (32-bit images with
// alpha, stored as device-independent bitmaps, which every ICO reader understands).
//
//   make_ico <input.svg> <output.ico> <size>...
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void Put16(QByteArray& out, quint16 v) {
    const quint16 le = qToLittleEndian(v);
    out.append(reinterpret_cast<const char*>(&le), 2);
}

void Put32(QByteArray& out, quint32 v) {
    const quint32 le = qToLittleEndian(v);
    out.append(reinterpret_cast<const char*>(&le), 4);
}

// One image as the ICO format stores it: a bitmap header with doubled height (colour rows
// then mask rows), BGRA rows bottom-up, then the 1-bit mask marking fully transparent pixels.
QByteArray IconImage(const QImage& image) {
    const int side = image.width();
    const int maskStride = ((side + 31) / 32) * 4;
    QByteArray out;
    Put32(out, 40);
    Put32(out, static_cast<quint32>(side));
    Put32(out, static_cast<quint32>(side * 2));
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, 0);
    Put32(out, static_cast<quint32>(side * side * 4 + maskStride * side));
    for (int i = 0; i < 4; ++i) {
        Put32(out, 0);
    }
    for (int y = side - 1; y >= 0; --y) {
        for (int x = 0; x < side; ++x) {
            const QRgb p = image.pixel(x, y);
            out.append(static_cast<char>(qBlue(p)));
            out.append(static_cast<char>(qGreen(p)));
            out.append(static_cast<char>(qRed(p)));
            out.append(static_cast<char>(qAlpha(p)));
        }
    }
    for (int y = side - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < side; ++x) {
            if (qAlpha(image.pixel(x, y)) == 0) {
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
            }
        }
        out.append(row);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_ico <input.svg> <output.ico> <size>...\n");
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "make_ico: cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<QByteArray> images;
    std::vector<int> sides;
    for (int i = 3; i < argc; ++i) {
        const int side = std::atoi(argv[i]);
        if (side < 1 || side > 256) {
            std::fprintf(stderr, "make_ico: size %s is not 1 to 256\n", argv[i]);
            return 2;
        }
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        images.push_back(IconImage(image.convertToFormat(QImage::Format_ARGB32)));
        sides.push_back(side);
    }

    QByteArray file;
    Put16(file, 0);
    Put16(file, 1);  // icon, not cursor
    Put16(file, static_cast<quint16>(images.size()));
    quint32 offset = 6 + 16 * static_cast<quint32>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        file.append(static_cast<char>(sides[i] == 256 ? 0 : sides[i]));  // 0 stands for 256
        file.append(static_cast<char>(sides[i] == 256 ? 0 : sides[i]));
        file.append('\0');  // no palette
        file.append('\0');
        Put16(file, 1);   // planes
        Put16(file, 32);  // bits per pixel
        Put32(file, static_cast<quint32>(images[i].size()));
        Put32(file, offset);
        offset += static_cast<quint32>(images[i].size());
    }
    for (const QByteArray& image : images) {
        file.append(image);
    }

    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(file) != file.size()) {
        std::fprintf(stderr, "make_ico: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
