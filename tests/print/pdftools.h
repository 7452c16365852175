#pragma once
// Looks at produced PDF files through poppler's command-line tools, as a person
// would with a viewer: page count and size from pdfinfo, pixels from pdftoppm.
#include <QImage>
#include <QList>
#include <QRect>

#include <algorithm>
#include <vector>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QTemporaryDir>

struct PdfInfo {
    bool ok = false;
    int pages = 0;
    QSizeF pagePoints;  // width x height in PostScript points
};

inline PdfInfo readPdfInfo(const QString& path)
{
    PdfInfo info;
    QProcess p;
    p.start("pdfinfo", {path});
    if (!p.waitForStarted(30000))
        qWarning("pdfinfo is not installed: install the Debian package poppler-utils");
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return info;
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    const auto pages = QRegularExpression(R"(^Pages:\s+(\d+))", QRegularExpression::MultilineOption).match(text);
    const auto size = QRegularExpression(R"(^Page size:\s+([\d.]+) x ([\d.]+) pts)", QRegularExpression::MultilineOption)
                          .match(text);
    if (!pages.hasMatch() || !size.hasMatch())
        return info;
    info.ok = true;
    info.pages = pages.captured(1).toInt();
    info.pagePoints = QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble());
    return info;
}

// The first page at `dpi`, or a null image when pdftoppm fails.
inline QImage rasterizePdf(const QString& path, int dpi)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return {};
    const QString prefix = dir.filePath("page");
    QProcess p;
    p.start("pdftoppm", {"-r", QString::number(dpi), "-f", "1", "-l", "1", "-singlefile", "-png", path, prefix});
    if (!p.waitForStarted(30000))
        qWarning("pdftoppm is not installed: install the Debian package poppler-utils");
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return QImage(prefix + ".png").convertToFormat(QImage::Format_RGB32);
}

struct Blob {
    QRect box;
};

// Connected regions (4-neighbour) of the pixels `inside` accepts.
template <class Pred>
QList<Blob> findBlobs(const QImage& img, Pred inside)
{
    const int w = img.width(), h = img.height();
    QList<Blob> blobs;
    std::vector<uint8_t> seen(size_t(w) * h, 0);
    std::vector<int> stack;
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            if (seen[size_t(y) * w + x] || !inside(line[x]))
                continue;
            int x0 = x, x1 = x, y0 = y, y1 = y;
            stack.assign(1, y * w + x);
            seen[size_t(y) * w + x] = 1;
            while (!stack.empty()) {
                const int p = stack.back();
                stack.pop_back();
                const int px = p % w, py = p / w;
                x0 = std::min(x0, px), x1 = std::max(x1, px), y0 = std::min(y0, py), y1 = std::max(y1, py);
                const int nb[4][2] = {{px - 1, py}, {px + 1, py}, {px, py - 1}, {px, py + 1}};
                for (const auto& n : nb) {
                    if (n[0] < 0 || n[1] < 0 || n[0] >= w || n[1] >= h)
                        continue;
                    const size_t i = size_t(n[1]) * w + n[0];
                    if (!seen[i] && inside(reinterpret_cast<const QRgb*>(img.constScanLine(n[1]))[n[0]])) {
                        seen[i] = 1;
                        stack.push_back(n[1] * w + n[0]);
                    }
                }
            }
            blobs.append({QRect(QPoint(x0, y0), QPoint(x1, y1))});
        }
    }
    return blobs;
}

inline bool isBlue(QRgb c) { return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60; }
inline bool isInk(QRgb c) { return qRed(c) < 245 || qGreen(c) < 245 || qBlue(c) < 245; }
