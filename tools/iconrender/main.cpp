// Renders the application icon's SVG into a square PNG for the hicolor theme, at build time:
//   corvale_iconrender SOURCE.svg SIZE OUTPUT.png

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: corvale_iconrender SOURCE.svg SIZE OUTPUT.png\n");
        return 2;
    }
    const int size = std::atoi(argv[2]);
    if (size <= 0 || size > 4096) {
        std::fprintf(stderr, "corvale_iconrender: bad size '%s'\n", argv[2]);
        return 2;
    }
    // No application object: raster painting and PNG writing need none, and the build has no
    // session for one.
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "corvale_iconrender: cannot read %s\n", argv[1]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter, QRectF(0, 0, size, size));
    }
    if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "corvale_iconrender: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
