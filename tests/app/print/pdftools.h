#pragma once
// Looks at produced PDF files through poppler's command-line tools, as a person
// would with a viewer: page count and size from pdfinfo, pixels from pdftoppm.
#include <QImage>
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
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return QImage(prefix + ".png").convertToFormat(QImage::Format_RGB32);
}
