// svg2png <in.svg> <out.png> [<size>]
//
// Renders an SVG onto a transparent ARGB32 image and saves it as PNG: at the drawing's own default
// size, or scaled to <size> pixels wide (the height keeps the drawing's proportions), as the desktop
// icons of every size are made from the two icon drawings. The build runs it once per picture of
// resources/svg and once per installed icon size; any failure ends it with a non-zero code so
// that a broken drawing stops the build instead of shipping an empty image. A warning of the SVG
// parser (unknown element, bad attribute, missing reference) counts as a failure too: QtSvg
// carries on without the part it did not understand, and the picture would be silently wrong.
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>
#include <QtGlobal>

namespace {

bool svgWarned = false;
QtMessageHandler previousHandler = nullptr;

void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    // The build sets no runtime directory; the notice about it would only clutter the build log.
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (type != QtDebugMsg && type != QtInfoMsg && context.category && qstrncmp(context.category, "qt.svg", 6) == 0)
        svgWarned = true;
    if (previousHandler)
        previousHandler(type, context, message);
    else
        QTextStream(stderr) << message << '\n';
}

int fail(const QString& message)
{
    QTextStream(stderr) << "svg2png: " << message << '\n';
    return 1;
}

}  // namespace

int main(int argc, char* argv[])
{
    previousHandler = qInstallMessageHandler(messageHandler);
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3 && args.size() != 4)
        return fail(QStringLiteral("usage: svg2png <in.svg> <out.png> [<size>]"));
    const QString in = args.at(1);
    const QString out = args.at(2);
    int width = 0;
    if (args.size() == 4) {
        bool ok = false;
        width = args.at(3).toInt(&ok);
        if (!ok || width < 1 || width > 4096)
            return fail(QStringLiteral("%1 is not a size in pixels (1 to 4096)").arg(args.at(3)));
    }

    if (!QFileInfo(in).isReadable())
        return fail(QStringLiteral("cannot read %1").arg(in));
    QSvgRenderer renderer(in);
    if (!renderer.isValid())
        return fail(QStringLiteral("%1 is not a valid SVG").arg(in));
    QSize size = renderer.defaultSize();
    if (size.isEmpty())
        return fail(QStringLiteral("%1 has no size").arg(in));
    if (width > 0)
        size = QSize(width, qMax(1, qRound(double(size.height()) * width / size.width())));

    QImage image(size, QImage::Format_ARGB32);
    if (image.isNull())
        return fail(QStringLiteral("cannot allocate %1x%2 image").arg(size.width()).arg(size.height()));
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    if (svgWarned)
        return fail(QStringLiteral("%1 uses SVG the renderer does not support").arg(in));
    if (!image.save(out, "PNG"))
        return fail(QStringLiteral("cannot write %1").arg(out));
    return 0;
}
