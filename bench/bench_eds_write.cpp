// Writing the largest EDS the tool can produce: 1400 variables of 255 words
// each (some 360,000 sections, about 45 MB). Reports the time and throughput
// of WriteEdsFile, the same for `cp` of the result on the same disk, and the
// process's peak resident memory.
//
//   bench_eds_write [ROWS [QUANTITY [RUNS]]]
//
// Peak memory is read from VmHWM in /proc/self/status (Linux); elsewhere run
// the program under a tool that reports it.

#include "eds/edswriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QByteArray LargestTable(int rows, int quantity)
{
    QByteArray xml = "<C_TO_Customer_Protocol>";
    for (int row = 0; row < rows; ++row) {
        xml += "<row Index=\"" + QByteArray::number(0x2000 + row)
               + "\" IP_Add_B1=\"192\" IP_Add_B2=\"168\" IP_Add_B3=\"1\" IP_Add_B4=\"125\""
                 " Address_Word=\""
               + QByteArray::number(row) + "\" Quantity=\"" + QByteArray::number(quantity)
               + "\" Read_Write=\"" + QByteArray::number(row % 3) + "\" Mnemonic=\"Var"
               + QByteArray::number(row) + "\"/>";
    }
    return xml + "</C_TO_Customer_Protocol>";
}

QByteArray PeakResident()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return "unknown";
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed();
    }
    return "unknown";
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int rows = args.size() > 1 ? args.at(1).toInt() : 1400;
    const int quantity = args.size() > 2 ? args.at(2).toInt() : 255;
    const int runs = args.size() > 3 ? std::max(1, args.at(3).toInt()) : 5;

    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString variables = dir.filePath(QStringLiteral("var.xml"));
    const QString output = dir.filePath(QStringLiteral("largest.eds"));
    const QString copy = dir.filePath(QStringLiteral("copy.eds"));
    {
        QFile file(variables);
        if (!file.open(QIODevice::WriteOnly) || file.write(LargestTable(rows, quantity)) < 0)
            return 1;
    }

    std::vector<double> writeMs;
    std::vector<double> loadMs;
    std::vector<double> buildMs;
    std::vector<double> saveMs;
    std::vector<double> copyMs;
    std::vector<double> copySyncMs;
    trellim::EdsWriter writer;
    for (int run = 0; run < runs; ++run) {
        QFile::remove(output);
        QElapsedTimer timer;
        timer.start();
        writer.WriteEdsFile(variables, output);
        writeMs.push_back(double(timer.nsecsElapsed()) / 1e6);

        // The two phases apart: loading and building the text, then saving it.
        QFile::remove(output);
        timer.restart();
        writer.LoadEdsVariables(variables);
        loadMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        timer.restart();
        const QByteArray text = trellim::EdsWriter::BuildEdsText(writer.Variables());
        buildMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        timer.restart();
        trellim::SaveEdsBytes(text, output);
        saveMs.push_back(double(timer.nsecsElapsed()) / 1e6);

        QFile::remove(copy);
        timer.restart();
        QProcess::execute(QStringLiteral("cp"), {output, copy});
        copyMs.push_back(double(timer.nsecsElapsed()) / 1e6);

        // The save syncs its file before it replaces the old one; cp does not.
        QFile::remove(copy);
        timer.restart();
        QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("cp \"$0\" \"$1\" && sync \"$1\""), output, copy});
        copySyncMs.push_back(double(timer.nsecsElapsed()) / 1e6);
    }

    const double megabytes = double(QFileInfo(output).size()) / 1e6;
    const double write = Median(writeMs);
    const double cp = Median(copyMs);
    std::printf("rows %d, quantity %d, EDS %.1f MB, %d runs (medians)\n", rows, quantity,
                megabytes, runs);
    std::printf("WriteEdsFile: %.1f ms, %.0f MB/s\n", write, megabytes / (write / 1000.0));
    std::printf("  of which load var.xml %.1f ms, build %.1f ms, save through QSaveFile %.1f ms\n",
                Median(loadMs), Median(buildMs), Median(saveMs));
    std::printf("cp of the same file: %.1f ms (process start included), %.0f MB/s\n", cp,
                megabytes / (cp / 1000.0));
    std::printf("ratio write/cp: %.2f\n", write / cp);
    std::printf("cp + sync of the same file: %.1f ms, ratio write/(cp + sync): %.2f\n", Median(copySyncMs),
                write / Median(copySyncMs));
    std::printf("peak resident memory (VmHWM): %s\n", PeakResident().constData());
    return 0;
}
