#pragma once

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QString>

#include <functional>
#include <optional>

class QXmlStreamReader;

namespace trellim {

// The XML access every document reader and writer goes through: load whole,
// look children up by name (first match), build from scratch, save whole.
// Every failure throws trellim::Error with a text a person can read.
class XmlDocument {
public:
    // Refusal limits for hostile or broken input; real documents are a few hundred KB.
    static constexpr qint64 kMaxBytes = 32 * 1024 * 1024;
    static constexpr int kMaxDepth = 64;
    static constexpr qint64 kMaxNodes = 200000;

    // Parses the file; throws Error when it cannot be opened, exceeds kMaxBytes or is not a
    // usable document. On failure the object is left empty.
    void Load(const QString& path);
    // As Load, from bytes in memory. Parse errors read: reason, "\nLine: <n>\n", and the first
    // 40 characters of the offending line. Invalid UTF-8, NUL bytes, entity declarations,
    // nesting beyond kMaxDepth and more than kMaxNodes nodes are refused in the same form.
    void LoadFromBytes(const QByteArray& bytes);
    // For readers that stream instead of building a DOM: one pass over bytes that refuses
    // exactly what LoadFromBytes refuses, with the same texts, and hands every token to onToken.
    static void StreamChecked(const QByteArray& bytes,
                              const std::function<void(const QXmlStreamReader&)>& onToken);
    // The file's bytes as Load reads them; throws Error when it cannot be read or is too large.
    static QByteArray ReadDocumentFile(const QString& path);

    // The first top-level node, an XML declaration or comment included; null when empty.
    QDomNode FirstTopLevelNode() const;
    // The first top-level element with this name; null when there is none.
    QDomElement FirstTopLevelElement(const QString& name) const;

    // The first child element of parent with this name; null when there is none.
    static QDomElement FirstChildElement(const QDomNode& parent, const QString& name);
    // Number of child nodes of parent, in document order.
    static int ChildCount(const QDomNode& parent);
    // The child node at a 0-based position; null when out of range.
    static QDomNode ChildAt(const QDomNode& parent, int position);

    // The text of an element; empty for an empty element. Throws Error when the
    // element holds child elements.
    static QString ElementText(const QDomElement& element);
    // The attribute's value, or nullopt when it is missing (empty is not missing).
    static std::optional<QString> Attribute(const QDomElement& element, const QString& name);

    // Removes every node, declaration and comments included.
    void Clear();
    QDomElement AddTopLevelElement(const QString& name);
    QDomElement AddChildElement(QDomElement& parent, const QString& name);
    // Replaces the element's content by one text node (none for an empty text). Throws Error
    // for a character XML cannot store; a blank-only text is kept as CDATA so it reads back.
    void SetText(QDomElement& element, const QString& text);
    // Sets the attribute; throws Error for a character XML cannot store.
    static void SetAttribute(QDomElement& element, const QString& name, const QString& value);

    // The tree as UTF-8, without declaration and indentation. Attributes come in the order
    // their names were first passed to SetAttribute in this process (QDom keeps none).
    QByteArray ToBytes() const;
    // Writes ToBytes() through QSaveFile, creating or replacing the file: on failure the previous
    // file stays whole and Error carries the path and the system's reason.
    void Save(const QString& path) const;

    const QDomDocument& dom() const { return doc_; }

private:
    QDomDocument doc_;
};

} // namespace trellim
