// gegu-draw-images: draws Gegu's two images from code and writes them as the window needs them.
//
//   QT_QPA_PLATFORM=offscreen gegu-draw-images OUTDIR
//
// OUTDIR/gegu.ico     71 x 71, one 24-bit image with an empty transparency mask
// OUTDIR/picture.bmp  640 x 410, 24-bit uncompressed, no palette: a candlestick price chart on
//                     black with indicator curves, signal arrows and a large caption
// OUTDIR/icons/N.png  the icon for the desktop, drawn at N x N for N = 48, 64, 128, 256
// The window's two images are written byte by byte here, so that their formats do not depend on
// Qt's writers; the desktop's icons are plain PNG files.
// The results are committed under resources/; run this again only to change them.

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

void putLE16(QByteArray& out, quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}
void putLE32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

// BITMAPINFOHEADER for a 24-bit image; storedHeight is doubled for icons (colour + mask).
void putInfoHeader(QByteArray& out, const QImage& image, int storedHeight, quint32 dataSize) {
    putLE32(out, 40);
    putLE32(out, quint32(image.width()));
    putLE32(out, quint32(storedHeight));
    putLE16(out, 1);  // planes
    putLE16(out, 24); // bits per pixel
    putLE32(out, 0);  // BI_RGB: uncompressed
    putLE32(out, dataSize);
    putLE32(out, 3780); // 96 DPI in pixels per metre
    putLE32(out, 3780);
    putLE32(out, 0); // no palette
    putLE32(out, 0);
}

// The pixels bottom-up, BGR, each row padded to four bytes.
QByteArray dibRows(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const int stride = (rgb.width() * 3 + 3) & ~3;
    QByteArray rows;
    rows.reserve(stride * rgb.height());
    for (int y = rgb.height() - 1; y >= 0; --y) {
        const uchar* line = rgb.constScanLine(y);
        QByteArray row(stride, '\0');
        for (int x = 0; x < rgb.width(); ++x) {
            row[3 * x] = char(line[3 * x + 2]);
            row[3 * x + 1] = char(line[3 * x + 1]);
            row[3 * x + 2] = char(line[3 * x]);
        }
        rows += row;
    }
    return rows;
}

QByteArray bmpFile(const QImage& image) {
    const QByteArray rows = dibRows(image);
    QByteArray out = "BM";
    putLE32(out, quint32(14 + 40 + rows.size()));
    putLE32(out, 0);
    putLE32(out, 14 + 40);
    putInfoHeader(out, image, image.height(), quint32(rows.size()));
    return out + rows;
}

QByteArray icoFile(const QImage& image) {
    const QByteArray rows = dibRows(image);
    const int maskStride = ((image.width() + 31) / 32) * 4;
    const QByteArray mask(maskStride * image.height(), '\0'); // all opaque
    const quint32 imageSize = quint32(40 + rows.size() + mask.size());

    QByteArray out;
    putLE16(out, 0); // reserved
    putLE16(out, 1); // icon
    putLE16(out, 1); // one image
    out.append(char(image.width()));
    out.append(char(image.height()));
    out.append('\0'); // no palette
    out.append('\0');
    putLE16(out, 1);  // planes
    putLE16(out, 24); // bits per pixel
    putLE32(out, imageSize);
    putLE32(out, 6 + 16);
    putInfoHeader(out, image, 2 * image.height(), quint32(rows.size() + mask.size()));
    return out + rows + mask;
}

QFont songFont(int pixelSize, bool bold = false) {
    QFont f;
    f.setFamilies({QStringLiteral("宋体"), QStringLiteral("AR PL UMing CN"),
                   QStringLiteral("AR PL SungtiL GB")});
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

// The icon at a size in pixels: drawn in a square of 71 units, at the size's own resolution.
QImage drawIcon(int size) {
    QImage img(size, size, QImage::Format_RGB32);
    img.fill(QColor(16, 24, 64));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / 71.0, size / 71.0);
    // Three candles and a rising line.
    const struct {
        int x, open, close, high, low;
    } candles[] = {{14, 50, 38, 56, 32}, {32, 40, 26, 46, 20}, {50, 30, 14, 34, 8}};
    for (const auto& c : candles) {
        const QColor colour = c.close < c.open ? QColor(230, 40, 40) : QColor(40, 200, 90);
        p.setPen(QPen(colour, 2));
        p.drawLine(c.x, c.high, c.x, c.low);
        p.fillRect(QRectF(c.x - 5, std::min(c.open, c.close), 11, std::abs(c.open - c.close)),
                   colour);
    }
    p.setPen(QPen(QColor(255, 210, 0), 3));
    p.drawLine(6, 62, 64, 10);
    p.setPen(QColor(255, 255, 255));
    p.setFont(songFont(18, true));
    p.drawText(QRect(0, 48, 71, 23), Qt::AlignCenter, QStringLiteral("股"));
    return img;
}

QImage drawPicture() {
    QImage img(640, 410, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // Chart area and grid.
    const QRect chart(20, 120, 600, 270);
    p.setPen(QPen(QColor(120, 0, 0), 1, Qt::DotLine));
    for (int y = chart.top(); y <= chart.bottom(); y += 45)
        p.drawLine(chart.left(), y, chart.right(), y);
    for (int x = chart.left(); x <= chart.right(); x += 100)
        p.drawLine(x, chart.top(), x, chart.bottom());

    // A random walk of 50 candles, the same every time.
    std::mt19937 rng(20080808);
    std::normal_distribution<double> step(0.4, 3.0);
    std::vector<double> closes;
    double price = 40;
    const int n = 50;
    const double w = double(chart.width()) / n;
    auto yOf = [&](double v) {
        return chart.bottom() - (v - 10) * 4.0;
    };
    for (int i = 0; i < n; ++i) {
        const double open = price;
        price = std::clamp(price + step(rng), 14.0, 75.0);
        const double close = price;
        const double high = std::max(open, close) + std::abs(step(rng)) * 0.6;
        const double low = std::min(open, close) - std::abs(step(rng)) * 0.6;
        closes.push_back(close);
        const double x = chart.left() + (i + 0.5) * w;
        const bool up = close >= open;
        const QColor colour = up ? QColor(255, 60, 60) : QColor(0, 220, 220);
        p.setPen(QPen(colour, 1));
        p.drawLine(QPointF(x, yOf(high)), QPointF(x, yOf(low)));
        const QRectF body(x - w * 0.35, yOf(std::max(open, close)), w * 0.7,
                          std::max(1.0, std::abs(yOf(open) - yOf(close))));
        if (up) {
            p.fillRect(body, Qt::black);
            p.drawRect(body);
        } else {
            p.fillRect(body, colour);
        }
    }

    // Moving averages as indicator curves.
    const struct {
        int period;
        QColor colour;
    } averages[] = {
        {5, QColor(255, 255, 255)}, {10, QColor(255, 255, 0)}, {20, QColor(255, 0, 255)}};
    for (const auto& a : averages) {
        QPainterPath path;
        for (int i = a.period - 1; i < n; ++i) {
            double sum = 0;
            for (int k = i - a.period + 1; k <= i; ++k)
                sum += closes[k];
            const QPointF pt(chart.left() + (i + 0.5) * w, yOf(sum / a.period));
            if (i == a.period - 1)
                path.moveTo(pt);
            else
                path.lineTo(pt);
        }
        p.setPen(QPen(a.colour, 1.5));
        p.drawPath(path);
    }

    // Signal arrows where the 5-day average crosses the 10-day one.
    auto average = [&](int i, int period) {
        double sum = 0;
        for (int k = i - period + 1; k <= i; ++k)
            sum += closes[k];
        return sum / period;
    };
    for (int i = 10; i < n; ++i) {
        const double before = average(i - 1, 5) - average(i - 1, 10);
        const double now = average(i, 5) - average(i, 10);
        if ((before < 0) == (now < 0))
            continue;
        const bool buy = now > 0;
        const double x = chart.left() + (i + 0.5) * w;
        const double y = buy ? yOf(closes[i]) + 28 : yOf(closes[i]) - 28;
        QPolygonF arrow;
        if (buy)
            arrow << QPointF(x, y - 12) << QPointF(x - 7, y) << QPointF(x - 3, y)
                  << QPointF(x - 3, y + 10) << QPointF(x + 3, y + 10) << QPointF(x + 3, y)
                  << QPointF(x + 7, y);
        else
            arrow << QPointF(x, y + 12) << QPointF(x - 7, y) << QPointF(x - 3, y)
                  << QPointF(x - 3, y - 10) << QPointF(x + 3, y - 10) << QPointF(x + 3, y)
                  << QPointF(x + 7, y);
        p.setPen(Qt::NoPen);
        p.setBrush(buy ? QColor(255, 40, 40) : QColor(40, 255, 40));
        p.drawPolygon(arrow);
    }

    // The caption.
    p.setPen(QColor(255, 215, 0));
    p.setFont(songFont(52, true));
    p.drawText(QRect(0, 8, 640, 70), Qt::AlignCenter, QStringLiteral("十大股东 一查便知"));
    p.setPen(QColor(255, 255, 255));
    p.setFont(songFont(22));
    p.drawText(QRect(0, 78, 640, 32), Qt::AlignCenter,
               QStringLiteral("输入股东名称或证券代码，主力持仓尽在掌握"));
    return img;
}

bool write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: gegu-draw-images OUTDIR\n");
        return 2;
    }
    QDir out(args[1]);
    bool written = write(out.filePath(QStringLiteral("gegu.ico")), icoFile(drawIcon(71))) &&
                   write(out.filePath(QStringLiteral("picture.bmp")), bmpFile(drawPicture())) &&
                   out.mkpath(QStringLiteral("icons"));
    // The desktop's icons, each drawn at its size.
    for (int size : {48, 64, 128, 256})
        written = written && drawIcon(size).save(
                                 out.filePath(QStringLiteral("icons/%1.png").arg(size)), "PNG");
    if (!written) {
        std::fprintf(stderr, "gegu-draw-images: cannot write to %s\n", qPrintable(args[1]));
        return 2;
    }
    return 0;
}
