// Composes the largest project (1400 SDO rows, every PDO word in use) in
// process, again and again, and prints the time per composition.
//
//   bench_image_compose [ITERATIONS]

#include "image/configurationimage.h"

#include "../tests/image/imagefixtures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace trellim;
using namespace trellim::fixtures;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int iterations = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 200;

    QTemporaryDir dir;
    const QString var = dir.filePath(QStringLiteral("var.xml"));
    const QString pdo = dir.filePath(QStringLiteral("pdo.xml"));
    const QString pargen = dir.filePath(QStringLiteral("pargen.xml"));
    QList<Row> rows = StandardRows(MaxImageSdoRows);
    Overrides cells;
    for (const char* kind : {"TP", "RP"}) {
        for (int n = 1; n <= 4; ++n) {
            for (int w = 1; w <= 4; ++w) {
                const QString word = QStringLiteral("%1%2_W%3").arg(QLatin1String(kind)).arg(n).arg(w);
                for (int b = 1; b <= 4; ++b)
                    cells.insert(word + QStringLiteral("_Add_Dev_IP_B%1").arg(b), QString::number(10 + b));
                cells.insert(word + QStringLiteral("_Add_Data"), QStringLiteral("$%1").arg(n * 100 + w, 0, 16));
                cells.insert(word + QStringLiteral("_Add_Mnemonic"), QStringLiteral("Word %1").arg(w));
            }
        }
    }
    if (!WriteBytes(var, VarXml(rows)) || !WriteBytes(pdo, PdoXml(cells)) || !WriteBytes(pargen, PargenXml())) {
        std::fputs("cannot write the project documents\n", stderr);
        return 1;
    }

    ImageComposer composer;
    CompositionOutcome outcome = composer.ComposeImage(var, pdo, pargen);
    if (!outcome.complete || outcome.length != kLargestImageLength) {
        std::fprintf(stderr, "unexpected composition: %s (%d bytes)\n", qPrintable(outcome.cause), outcome.length);
        return 1;
    }

    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(iterations));
    for (int i = 0; i < iterations; ++i) {
        QElapsedTimer timer;
        timer.start();
        outcome = composer.ComposeImage(var, pdo, pargen);
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());

    std::printf("input: var.xml %lld bytes (%d rows), pdo.xml %lld bytes, pargen.xml %lld bytes\n",
                static_cast<long long>(QFileInfo(var).size()), MaxImageSdoRows,
                static_cast<long long>(QFileInfo(pdo).size()), static_cast<long long>(QFileInfo(pargen).size()));
    std::printf("image: %d bytes\n", outcome.length);
    std::printf("compositions: %d, per composition: min %.3f ms, median %.3f ms, max %.3f ms\n", iterations,
                times.front(), times[times.size() / 2], times.back());
    return 0;
}
