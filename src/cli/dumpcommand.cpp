#include "commands.h"
#include "subcommand.h"

#include "image/imagedecoder.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace trellim::cli {

namespace {

const char* const kHeaderNames[4] = {"SDO table", "transmit PDO block", "receive PDO block", "general block"};
const char* const kHeaderKeys[4] = {"sdoTable", "transmitPdoBlock", "receivePdoBlock", "generalBlock"};

QString IndexText(std::uint16_t index)
{
    return QStringLiteral("0x") + QString::number(index, 16).toUpper().rightJustified(4, u'0');
}

bool IsBaud(const DecodedGeneralField& field)
{
    return field.name == u"CAN_Baud";
}

QString BaudText(std::uint32_t code)
{
    const int kbits = BaudCodeKbits(static_cast<int>(code));
    return kbits ? QStringLiteral("%1 kbit/s").arg(kbits) : QStringLiteral("unknown baud code");
}

QString Offset(int offset)
{
    return QStringLiteral("@%1").arg(offset).leftJustified(7);
}

QString TextListing(const QString& path, const DecodedImage& image)
{
    QString out;
    if (image.Complete())
        out += QStringLiteral("%1: %2 bytes, a complete image with %3 SDO rows\n")
                   .arg(path)
                   .arg(image.length)
                   .arg(image.sdoRows);
    else {
        out += QStringLiteral("%1: %2 bytes, NOT a complete image:\n").arg(path).arg(image.length);
        for (const QString& problem : image.problems)
            out += QStringLiteral("  - %1\n").arg(problem);
    }

    out += QStringLiteral("\nHeader (block offsets)\n");
    for (qsizetype i = 0; i < image.header.size(); ++i)
        out += QStringLiteral("  %1 %2 %3\n")
                   .arg(Offset(static_cast<int>(i * 4)))
                   .arg(QString::fromLatin1(kHeaderNames[i]).leftJustified(19))
                   .arg(image.header[i]);

    out += QStringLiteral("\nSDO table: %1 of %2 records decoded\n").arg(image.sdoRecords.size()).arg(image.sdoRows);
    if (!image.sdoRecords.isEmpty())
        out += QStringLiteral("  row    offset  index   device           address quantity access\n");
    for (const DecodedSdoRecord& record : image.sdoRecords) {
        const QString access = AccessCodeText(record.readWrite);
        out += QStringLiteral("  %1 %2 %3 %4 %5 %6 %7\n")
                   .arg(QString::number(record.row).leftJustified(6))
                   .arg(Offset(record.offset))
                   .arg(IndexText(record.index).leftJustified(7))
                   .arg(DottedAddress(record.device).leftJustified(16))
                   .arg(QString::number(record.addressWord).leftJustified(7))
                   .arg(QString::number(record.quantity).leftJustified(8))
                   .arg(access.isEmpty() ? QStringLiteral("%1 (unknown access code)").arg(record.readWrite)
                                         : QStringLiteral("%1 %2").arg(record.readWrite).arg(access));
    }

    for (const bool transmit : {true, false}) {
        const auto& words = transmit ? image.transmitWords : image.receiveWords;
        out += QStringLiteral("\n%1 PDO block: %2 of 16 words decoded\n")
                   .arg(transmit ? QStringLiteral("Transmit") : QStringLiteral("Receive"))
                   .arg(words.size());
        for (const DecodedPdoWord& word : words) {
            out += QStringLiteral("  %1PDO%2 W%3 %4 device %5 Add_Data %6")
                       .arg(QChar(transmit ? u'T' : u'R'))
                       .arg(word.pdo)
                       .arg(word.word)
                       .arg(Offset(word.offset))
                       .arg(DottedAddress(word.device).leftJustified(15))
                       .arg(word.deltaSend ? QString::number(word.addData).leftJustified(5)
                                           : QString::number(word.addData));
            if (word.deltaSend)
                out += QStringLiteral(" Delta_Send %1").arg(*word.deltaSend);
            out += u'\n';
        }
    }

    out += QStringLiteral("\nGeneral block: %1 of 33 fields decoded\n").arg(image.general.size());
    for (const DecodedGeneralField& field : image.general) {
        out += QStringLiteral("  %1 %2 %3").arg(Offset(field.offset), field.name.leftJustified(19)).arg(field.value);
        if (IsBaud(field))
            out += QStringLiteral(" (%1)").arg(BaudText(field.value));
        out += u'\n';
    }
    return out;
}

QJsonDocument JsonListing(const QString& path, const DecodedImage& image)
{
    QJsonObject root;
    root.insert(QStringLiteral("file"), path);
    root.insert(QStringLiteral("length"), image.length);
    root.insert(QStringLiteral("complete"), image.Complete());
    root.insert(QStringLiteral("problems"), QJsonArray::fromStringList(image.problems));

    QJsonObject header;
    for (qsizetype i = 0; i < image.header.size(); ++i)
        header.insert(QString::fromLatin1(kHeaderKeys[i]), static_cast<qint64>(image.header[i]));
    root.insert(QStringLiteral("header"), header);
    root.insert(QStringLiteral("layoutValid"), image.layoutValid);
    root.insert(QStringLiteral("sdoRows"), image.sdoRows);

    QJsonArray records;
    for (const DecodedSdoRecord& record : image.sdoRecords) {
        records.append(QJsonObject{
            {QStringLiteral("row"), record.row},
            {QStringLiteral("offset"), record.offset},
            {QStringLiteral("index"), IndexText(record.index)},
            {QStringLiteral("indexValue"), record.index},
            {QStringLiteral("device"), DottedAddress(record.device)},
            {QStringLiteral("addressWord"), record.addressWord},
            {QStringLiteral("quantity"), record.quantity},
            {QStringLiteral("readWrite"), record.readWrite},
            {QStringLiteral("access"), AccessCodeText(record.readWrite)},
        });
    }
    root.insert(QStringLiteral("sdoRecords"), records);

    for (const bool transmit : {true, false}) {
        QJsonArray words;
        for (const DecodedPdoWord& word : transmit ? image.transmitWords : image.receiveWords) {
            QJsonObject entry{
                {QStringLiteral("pdo"), word.pdo},
                {QStringLiteral("word"), word.word},
                {QStringLiteral("offset"), word.offset},
                {QStringLiteral("device"), DottedAddress(word.device)},
                {QStringLiteral("addData"), word.addData},
            };
            if (word.deltaSend)
                entry.insert(QStringLiteral("deltaSend"), *word.deltaSend);
            words.append(entry);
        }
        root.insert(transmit ? QStringLiteral("transmitPdoWords") : QStringLiteral("receivePdoWords"), words);
    }

    QJsonObject general;
    for (const DecodedGeneralField& field : image.general) {
        QJsonObject entry{{QStringLiteral("offset"), field.offset},
                          {QStringLiteral("value"), static_cast<qint64>(field.value)}};
        if (IsBaud(field))
            entry.insert(QStringLiteral("kbits"), BaudCodeKbits(static_cast<int>(field.value)));
        general.insert(field.name, entry);
    }
    root.insert(QStringLiteral("general"), general);
    return QJsonDocument(root);
}

} // namespace

int RunDumpCommand(const QStringList& arguments)
{
    Subcommand command(arguments);
    QCommandLineParser& parser = command.parser();
    parser.setApplicationDescription(
        QStringLiteral("Lists the contents of a configuration image (bank.bin): the header, every SDO\n"
                       "record, every PDO word and every general-block field. A file that is\n"
                       "truncated or whose header does not fit its length is decoded as far as it\n"
                       "goes, and the command exits with 1."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print the listing as JSON."));
    parser.addOption(json);
    if (const auto exitCode = command.Parse(QStringLiteral("FILE"), QStringLiteral("The image file.")))
        return *exitCode;

    const QString path = command.Positional();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Print(stderr, QStringLiteral("%1: cannot open \"%2\": %3\n").arg(command.Name(), path, file.errorString()));
        return 1;
    }
    const DecodedImage image = DecodeImage(file.readAll());
    if (file.error() != QFileDevice::NoError) {
        Print(stderr, QStringLiteral("%1: cannot read \"%2\": %3\n").arg(command.Name(), path, file.errorString()));
        return 1;
    }

    if (parser.isSet(json))
        Print(stdout, QString::fromUtf8(JsonListing(path, image).toJson(QJsonDocument::Indented)));
    else
        Print(stdout, TextListing(path, image));
    if (!image.Complete()) {
        Print(stderr, QStringLiteral("%1: \"%2\" is not a complete image: %3\n")
                          .arg(command.Name(), path, image.problems.join(QStringLiteral("; "))));
        return 1;
    }
    return 0;
}

} // namespace trellim::cli
