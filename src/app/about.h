#pragma once

#include <QDialog>

namespace trellim {

inline const QString kWebAddress = QStringLiteral("https://www.example.com/trellim");

// The About box: product name, purpose, software code, version and a link.
class TFAbout : public QDialog {
    Q_OBJECT

public:
    explicit TFAbout(QWidget* parent = nullptr);
};

} // namespace trellim
