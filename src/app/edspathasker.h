#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace trellim {

// Asks where to save the EDS file, starting in the given folder; nullopt
// when the user cancels. Replaced in tests.
class EdsPathAsker {
public:
    virtual ~EdsPathAsker() = default;
    virtual std::optional<QString> Ask(QWidget* parent, const QString& folder) = 0;
};

// The save-file dialog: filter "Electronic Data Sheet (*.eds)", default suffix eds.
class EdsSaveDialogAsker : public EdsPathAsker {
public:
    std::optional<QString> Ask(QWidget* parent, const QString& folder) override;
};

} // namespace trellim
