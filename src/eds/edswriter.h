#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <vector>

namespace trellim {

// One row of var.xml as the EDS needs it: the object's index, how many
// UNSIGNED16 words it holds and its access code (1 read-write, else read-only).
struct EdsVariable {
    quint16 Index = 0;
    quint8 Quantity = 0;
    quint8 ReadWrite = 0;

    friend bool operator==(const EdsVariable&, const EdsVariable&) = default;
};

// In document order; duplicates kept, never sorted.
using EdsVariables = std::vector<EdsVariable>;

// Writes the gateway's CANopen EDS (CiA 306, "EDSVersion=4.0"): fixed text
// for the communication and process-data objects, plus one
// manufacturer-specific object per SDO variable of the project.
class EdsWriter {
public:
    // Replaces Variables() with the rows of the var.xml at variablesPath.
    // No file there gives an empty list. Throws trellim::Error for text that
    // is not well-formed XML, a row missing "Index", "Quantity" or
    // "Read_Write", or a value that is not an integer text.
    void LoadEdsVariables(const QString& variablesPath);

    // Loads variablesPath, builds the whole text and saves it to outputPath
    // in one piece through QSaveFile. Throws trellim::Error; on any error the
    // file at outputPath is neither created nor changed.
    void WriteEdsFile(const QString& variablesPath, const QString& outputPath);

    // The complete EDS text for these variables: ASCII, CR LF line ends.
    static QByteArray BuildEdsText(const EdsVariables& variables);

    const EdsVariables& Variables() const { return variables_; }

private:
    EdsVariables variables_;
};

// "Cannot create file "<path>". <reason>" (and its twin for a failed write):
// saves bytes to path through QSaveFile, so a failed or interrupted write
// leaves any previous file whole.
void SaveEdsBytes(const QByteArray& bytes, const QString& path);

} // namespace trellim
