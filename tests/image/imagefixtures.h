#pragma once

// Builders for the three project documents, as text, so that a test states
// only the values it is about.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>
#include <utility>

namespace trellim::fixtures {

// Element (or attribute) name -> text; std::nullopt leaves it out.
using Overrides = QMap<QString, std::optional<QString>>;

using Row = QList<std::pair<QString, QString>>;

// A complete var.xml row: Index 8192 + i, device 192.168.1.(i % 256), address i.
inline Row StandardRow(int i)
{
    return {{QStringLiteral("Index"), QString::number(8192 + i)},
            {QStringLiteral("IP_Add_B1"), QStringLiteral("192")},
            {QStringLiteral("IP_Add_B2"), QStringLiteral("168")},
            {QStringLiteral("IP_Add_B3"), QStringLiteral("1")},
            {QStringLiteral("IP_Add_B4"), QString::number(i % 256)},
            {QStringLiteral("Address_Word"), QString::number(i)},
            {QStringLiteral("Quantity"), QStringLiteral("1")},
            {QStringLiteral("Read_Write"), QStringLiteral("0")},
            {QStringLiteral("Mnemonic"), QStringLiteral("Var%1").arg(i)}};
}

// The row with one attribute changed, or left out when text is nullopt.
inline Row WithAttribute(Row row, const QString& name, const std::optional<QString>& text)
{
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (row[i].first == name) {
            if (text)
                row[i].second = *text;
            else
                row.removeAt(i);
            return row;
        }
    }
    if (text)
        row.append({name, *text});
    return row;
}

inline QByteArray VarXml(const QList<Row>& rows)
{
    QString xml = QStringLiteral("<C_TO_Customer_Protocol>");
    for (const Row& row : rows) {
        xml += QStringLiteral("<row");
        for (const auto& [name, value] : row)
            xml += QStringLiteral(" %1=\"%2\"").arg(name, value.toHtmlEscaped());
        xml += QStringLiteral("/>");
    }
    xml += QStringLiteral("</C_TO_Customer_Protocol>");
    return xml.toUtf8();
}

inline QList<Row> StandardRows(int count)
{
    QList<Row> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i)
        rows << StandardRow(i);
    return rows;
}

inline QString Element(const QString& name, const Overrides& overrides, const QString& text)
{
    const auto found = overrides.constFind(name);
    if (found != overrides.constEnd() && !found->has_value())
        return {};
    const QString value = found != overrides.constEnd() ? **found : text;
    return QStringLiteral("<%1>%2</%1>").arg(name, value.toHtmlEscaped());
}

// A full pdo.xml as the PDO dialog writes it: every word cell empty, every
// Delta_Send "1000", every dimension "3", plus the filler words 5 to 8.
// An override of a PDO element's name (or of PDO_Setting) with nullopt
// leaves that element out.
inline QByteArray PdoXml(const Overrides& overrides = {})
{
    const bool noRoot = overrides.contains(QStringLiteral("PDO_Setting"))
                        && !overrides.value(QStringLiteral("PDO_Setting")).has_value();
    QString xml = noRoot ? QStringLiteral("<Other_Setting>") : QStringLiteral("<PDO_Setting>");
    for (const bool transmit : {true, false}) {
        for (int n = 1; n <= 4; ++n) {
            const QString pdo = (transmit ? QStringLiteral("Trasmite_PDO") : QStringLiteral("Recive_PDO"))
                                + QString::number(n);
            if (overrides.contains(pdo) && !overrides.value(pdo).has_value())
                continue;
            const QString prefix = (transmit ? QStringLiteral("TP") : QStringLiteral("RP")) + QString::number(n);
            xml += QStringLiteral("<%1>").arg(pdo);
            xml += Element(QStringLiteral("ComboBox"), overrides, n <= 2 ? QStringLiteral("0") : QString());
            const int words = n <= 2 ? 8 : 4;
            for (int w = 1; w <= words; ++w) {
                const QString word = prefix + QStringLiteral("_W") + QString::number(w);
                const QString filler = w > 4 ? QStringLiteral("0") : QString();
                for (int b = 1; b <= 4; ++b)
                    xml += Element(word + QStringLiteral("_Add_Dev_IP_B") + QString::number(b), overrides, filler);
                xml += Element(word + QStringLiteral("_Add_Data"), overrides, filler);
                xml += Element(word + QStringLiteral("_Add_Mnemonic"), overrides, QString());
                if (transmit && w <= 4)
                    xml += Element(word + QStringLiteral("_Delta_Send"), overrides, QStringLiteral("1000"));
            }
            xml += Element(prefix + QStringLiteral("_Dimension"), overrides, QStringLiteral("3"));
            xml += QStringLiteral("</%1>").arg(pdo);
        }
    }
    xml += noRoot ? QStringLiteral("</Other_Setting>") : QStringLiteral("</PDO_Setting>");
    return xml.toUtf8();
}

// pargen.xml with the tool's defaults; an override of General_Parameter with
// nullopt renames the root.
inline QByteArray PargenXml(const Overrides& overrides = {})
{
    static const QList<std::pair<QString, QString>> defaults{
        {QStringLiteral("CAN_Dev_ID"), QStringLiteral("1")},
        {QStringLiteral("CAN_Baud"), QStringLiteral("0")},
        {QStringLiteral("CAN_Start"), QStringLiteral("0")},
        {QStringLiteral("CAN_Net_Start"), QStringLiteral("0")},
        {QStringLiteral("CAN_NS_Delay"), QStringLiteral("10")},
        {QStringLiteral("CAN_TPDO_Sync"), QStringLiteral("0")},
        {QStringLiteral("CAN_TPDO_On_Change"), QStringLiteral("0")},
        {QStringLiteral("CAN_TPDO_TransType"), QStringLiteral("255")},
        {QStringLiteral("TCP_IP_1"), QStringLiteral("192")},
        {QStringLiteral("TCP_IP_2"), QStringLiteral("168")},
        {QStringLiteral("TCP_IP_3"), QStringLiteral("0")},
        {QStringLiteral("TCP_IP_4"), QStringLiteral("10")},
        {QStringLiteral("TCP_SUB_1"), QStringLiteral("255")},
        {QStringLiteral("TCP_SUB_2"), QStringLiteral("255")},
        {QStringLiteral("TCP_SUB_3"), QStringLiteral("255")},
        {QStringLiteral("TCP_SUB_4"), QStringLiteral("0")},
        {QStringLiteral("Time_Out"), QStringLiteral("1000")},
        {QStringLiteral("Port"), QStringLiteral("502")},
        {QStringLiteral("Enable_Gat"), QStringLiteral("0")},
        {QStringLiteral("TCP_GAT_1"), QStringLiteral("192")},
        {QStringLiteral("TCP_GAT_2"), QStringLiteral("168")},
        {QStringLiteral("TCP_GAT_3"), QStringLiteral("0")},
        {QStringLiteral("TCP_GAT_4"), QStringLiteral("1")},
        {QStringLiteral("Delay_TCP_MR"), QStringLiteral("100")},
    };
    const bool noRoot = overrides.contains(QStringLiteral("General_Parameter"))
                        && !overrides.value(QStringLiteral("General_Parameter")).has_value();
    const QString root = noRoot ? QStringLiteral("General_Parameters") : QStringLiteral("General_Parameter");
    QString xml = QStringLiteral("<%1>").arg(root);
    for (const auto& [name, value] : defaults)
        xml += Element(name, overrides, value);
    xml += QStringLiteral("</%1>").arg(root);
    return xml.toUtf8();
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace trellim::fixtures
