// Renders the application's SVG icon as a square PNG of each size asked for, so the
// hicolor theme gets raster sizes without a separate drawing tool at build time.
//
//   icon_render ICON.svg OUTPUT_FOLDER SIZE...   -> OUTPUT_FOLDER/SIZExSIZE/lutloader.png

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: icon_render ICON.svg OUTPUT_FOLDER SIZE...\n");
        return 2;
    }
    QSvgRenderer renderer(args.at(0));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "icon_render: %s is not a valid SVG file\n", qPrintable(args.at(0)));
        return 1;
    }
    const QString name = QFileInfo(args.at(0)).completeBaseName() + QStringLiteral(".png");
    for (const QString& sizeText : args.mid(2)) {
        bool ok = false;
        const int size = sizeText.toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            std::fprintf(stderr, "icon_render: bad size %s\n", qPrintable(sizeText));
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter);
        }
        const QString folder = QStringLiteral("%1/%2x%2").arg(args.at(1)).arg(size);
        if (!QDir().mkpath(folder) || !image.save(folder + QLatin1Char('/') + name)) {
            std::fprintf(stderr, "icon_render: cannot write %s\n", qPrintable(folder + "/" + name));
            return 1;
        }
    }
    return 0;
}
