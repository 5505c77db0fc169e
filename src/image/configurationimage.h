#pragma once

#include "documents/error.h"
#include "image/imagelayout.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

namespace trellim {

class XmlDocument;

// What a composition produced. A composition that stops early still leaves
// `length` valid bytes (at least the 16-byte header); `cause` then says which
// document, row or PDO word, element or attribute and text stopped it, and
// at which byte the image ends.
struct CompositionOutcome {
    bool complete = false;
    QString cause; // empty when complete
    int length = 0;
    int sdoRows = 0;      // N, the rows taken from var.xml (0 when it could not be read)
    QStringList warnings; // things worth knowing that did not stop the composition
};

// A failure of one composition step; its message names the document and the
// field, without the final byte offset (the caller knows where the image ends).
class CompositionFailure : public Error {
public:
    using Error::Error;
};

// Composes the configuration image bank.bin from var.xml, pdo.xml and
// pargen.xml. One object lives as long as the tool: ImageBuffer starts
// zero-filled and is never cleared, so a composition that stops early keeps
// the header words written by an earlier one.
class ImageComposer {
public:
    static constexpr int ImageCapacity = 16384; // above the largest image, 14,277 bytes

    ImageComposer();

    // Reads the three documents from these paths and composes the image.
    // Never throws: a failure ends the composition at the field (SDO table,
    // general block) or at the block start (PDO blocks) where it happened.
    CompositionOutcome ComposeImage(const QString& variablesPath, const QString& pdoPath,
                                    const QString& generalParametersPath);

    // The first ImageLength bytes of ImageBuffer.
    QByteArray Image() const;

    // Writes Image() to bankPath through QSaveFile, replacing an earlier file.
    // Throws Error with the path and the system's reason when it cannot; an
    // earlier file then stays whole. Does not create folders.
    void WriteImageFile(const QString& bankPath) const;

    const std::array<std::uint8_t, ImageCapacity>& ImageBuffer() const { return buffer_; }
    int ImageLength() const { return length_; }
    const std::array<std::uint8_t, kPdoCount>& TpdoDimensions() const { return tpdoDimensions_; }
    const std::array<std::uint8_t, kPdoCount>& RpdoDimensions() const { return rpdoDimensions_; }

    // The steps of ComposeImage. Each throws CompositionFailure on its first
    // failure.
    //
    // Stores the SDO records from WritePosition(), advancing it field by
    // field (so a failure leaves it at the failing field); returns N.
    int ComposeSdoTable(const QString& variablesPath);
    // Store their block from `position` and return the position after it
    // (+128, +96); set TpdoDimensions / RpdoDimensions.
    int ComposeTransmitPdoBlock(const QString& pdoPath, int position);
    int ComposeReceivePdoBlock(const QString& pdoPath, int position);

    int WritePosition() const { return position_; }
    void SetWritePosition(int position) { position_ = position; }

private:
    void ComposeGeneralBlock(const QString& generalParametersPath, int sdoRows);
    int ComposePdoBlock(const XmlDocument& document, int position, bool transmit);

    void Put8(int offset, std::int32_t value);
    void Put16(int offset, std::int32_t value);
    void Put32(int offset, std::uint32_t value);

    std::array<std::uint8_t, ImageCapacity> buffer_{};
    int length_ = 0;
    int position_ = 0;
    std::array<std::uint8_t, kPdoCount> tpdoDimensions_{};
    std::array<std::uint8_t, kPdoCount> rpdoDimensions_{};
    QStringList warnings_;
    std::vector<std::uint8_t> staging_; // SDO records until var.xml is known to be readable
};

} // namespace trellim
