#include "xmldocument.h"

#include "error.h"

#include <QFile>
#include <QSaveFile>

namespace trellim {

namespace {

QString OffendingLine(const QByteArray& bytes, int lineNumber)
{
    int line = 1;
    qsizetype start = 0;
    while (line < lineNumber) {
        const qsizetype nl = bytes.indexOf('\n', start);
        if (nl < 0)
            return {};
        start = nl + 1;
        ++line;
    }
    qsizetype end = bytes.indexOf('\n', start);
    if (end < 0)
        end = bytes.size();
    QString text = QString::fromUtf8(bytes.mid(start, end - start));
    if (text.endsWith(u'\r'))
        text.chop(1);
    return text.left(40);
}

} // namespace

void XmlDocument::Load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    LoadFromBytes(file.readAll());
}

void XmlDocument::LoadFromBytes(const QByteArray& bytes)
{
    QDomDocument parsed;
    QString reason;
    int line = 0;
    int column = 0;
    if (!parsed.setContent(bytes, false, &reason, &line, &column)) {
        doc_.clear();
        throw Error(reason + QStringLiteral("\nLine: ") + QString::number(line) + u'\n'
                    + OffendingLine(bytes, line));
    }
    doc_ = parsed;
}

QDomNode XmlDocument::FirstTopLevelNode() const
{
    return doc_.firstChild();
}

QDomElement XmlDocument::FirstTopLevelElement(const QString& name) const
{
    return doc_.firstChildElement(name);
}

QDomElement XmlDocument::FirstChildElement(const QDomNode& parent, const QString& name)
{
    return parent.firstChildElement(name);
}

int XmlDocument::ChildCount(const QDomNode& parent)
{
    return parent.childNodes().count();
}

QDomNode XmlDocument::ChildAt(const QDomNode& parent, int position)
{
    return parent.childNodes().at(position);
}

QString XmlDocument::ElementText(const QDomElement& element)
{
    QString text;
    for (QDomNode child = element.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (child.isElement())
            throw Error(QStringLiteral("Element %1 holds elements where a text was expected.")
                            .arg(element.tagName()));
        if (child.isText() || child.isCDATASection())
            text += child.toCharacterData().data();
    }
    return text;
}

std::optional<QString> XmlDocument::Attribute(const QDomElement& element, const QString& name)
{
    if (!element.hasAttribute(name))
        return std::nullopt;
    return element.attribute(name);
}

void XmlDocument::Clear()
{
    doc_ = QDomDocument();
}

QDomElement XmlDocument::AddTopLevelElement(const QString& name)
{
    QDomElement element = doc_.createElement(name);
    doc_.appendChild(element);
    return element;
}

QDomElement XmlDocument::AddChildElement(QDomElement& parent, const QString& name)
{
    QDomElement element = doc_.createElement(name);
    parent.appendChild(element);
    return element;
}

void XmlDocument::SetText(QDomElement& element, const QString& text)
{
    while (!element.firstChild().isNull())
        element.removeChild(element.firstChild());
    if (!text.isEmpty())
        element.appendChild(doc_.createTextNode(text));
}

void XmlDocument::SetAttribute(QDomElement& element, const QString& name, const QString& value)
{
    element.setAttribute(name, value);
}

QByteArray XmlDocument::ToBytes() const
{
    return doc_.toByteArray(-1);
}

void XmlDocument::Save(const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
    const QByteArray bytes = ToBytes();
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw Error(QStringLiteral("Cannot write file \"%1\". %2").arg(path, file.errorString()));
}

} // namespace trellim
