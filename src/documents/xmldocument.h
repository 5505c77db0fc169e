#pragma once

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QString>

#include <optional>

namespace trellim {

// The XML access every document reader and writer goes through: load whole,
// look children up by name (first match), build from scratch, save whole.
// Every failure throws trellim::Error with a text a person can read.
class XmlDocument {
public:
    // Parses the file. Not well-formed text throws with the parser's reason,
    // "\nLine: <n>\n" and the first 40 characters of the offending line.
    void Load(const QString& path);
    void LoadFromBytes(const QByteArray& bytes);

    // The first top-level node, an XML declaration or comment included; null when empty.
    QDomNode FirstTopLevelNode() const;
    // The first top-level element with this name; null when there is none.
    QDomElement FirstTopLevelElement(const QString& name) const;

    static QDomElement FirstChildElement(const QDomNode& parent, const QString& name);
    static int ChildCount(const QDomNode& parent);
    static QDomNode ChildAt(const QDomNode& parent, int position);

    // The text of an element; empty for an empty element. Throws when the
    // element holds child elements.
    static QString ElementText(const QDomElement& element);
    // The attribute's value, or nullopt when it is missing (empty is not missing).
    static std::optional<QString> Attribute(const QDomElement& element, const QString& name);

    // Removes every node, declaration and comments included.
    void Clear();
    QDomElement AddTopLevelElement(const QString& name);
    QDomElement AddChildElement(QDomElement& parent, const QString& name);
    void SetText(QDomElement& element, const QString& text);
    static void SetAttribute(QDomElement& element, const QString& name, const QString& value);

    // The tree as UTF-8, without declaration and indentation.
    QByteArray ToBytes() const;
    // Writes ToBytes() through QSaveFile: on failure the previous file stays
    // whole and Error carries the path and the system's reason.
    void Save(const QString& path) const;

    const QDomDocument& dom() const { return doc_; }

private:
    QDomDocument doc_;
};

} // namespace trellim
