#include "ui/qt/skin_files.h"

#include <QFile>
#include <QXmlStreamReader>
#include <functional>
#include <type_traits>

namespace tavrinex::ui::qt {
namespace {

std::string Str(QStringView s) { return s.toString().toStdString(); }

// Reads `path` as <root> holding <element .../> entries; `onElement` takes each entry and
// returns an error text for a bad one. Unknown elements are skipped.
template <class T>
Parsed<T> ReadEntries(const QString& path, QStringView root, QStringView element, T value,
                      const std::function<QString(QXmlStreamReader&, T&)>& onElement) {
  Parsed<T> out;
  const auto fail = [&](qint64 line, const QString& what) {
    out.error.message = Str(path) + ":" + std::to_string(line) + ": " + Str(what);
    return out;
  };
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return fail(0, file.errorString());
  QXmlStreamReader xml(&file);
  if (!xml.readNextStartElement()) {
    return fail(xml.lineNumber(), xml.hasError() ? xml.errorString() : "empty file");
  }
  if (xml.name() != root) return fail(xml.lineNumber(), "expected <" + root.toString() + ">");
  if constexpr (std::is_same_v<T, LanguageTexts>) value.id = Str(xml.attributes().value("id"));
  while (xml.readNextStartElement()) {
    if (xml.name() == element) {
      const QString problem = onElement(xml, value);
      if (!problem.isEmpty()) return fail(xml.lineNumber(), problem);
      if (xml.tokenType() != QXmlStreamReader::EndElement) xml.skipCurrentElement();
    } else {
      xml.skipCurrentElement();
    }
  }
  if (xml.hasError()) return fail(xml.lineNumber(), xml.errorString());
  out.value = std::move(value);
  return out;
}

}  // namespace

Parsed<ResourceIndex> ReadResourceIndex(const QString& path) {
  return ReadEntries<ResourceIndex>(
      path, u"resources", u"layout", {}, [](QXmlStreamReader& xml, ResourceIndex& index) {
        const auto key = xml.attributes().value("key");
        const auto file = xml.attributes().value("file");
        if (key.isEmpty() || file.isEmpty()) return QString("<layout> needs key and file");
        index[Str(key)] = Str(file);
        return QString();
      });
}

Parsed<LanguageTexts> ReadLanguageFile(const QString& path) {
  return ReadEntries<LanguageTexts>(
      path, u"language", u"text", {}, [](QXmlStreamReader& xml, LanguageTexts& lang) {
        const auto id = Str(xml.attributes().value("id"));
        if (id.empty()) return QString("<text> needs an id");
        lang.texts[id] = xml.readElementText().toStdString();
        return QString();
      });
}

Parsed<MenuItems> ReadMenuFile(const QString& path) {
  return ReadEntries<MenuItems>(
      path, u"menu", u"item", {}, [](QXmlStreamReader& xml, MenuItems& items) {
        const auto a = xml.attributes();
        if (a.value("name").isEmpty()) return QString("<item> needs a name");
        items.push_back({Str(a.value("name")), Str(a.value("userdata")), Str(a.value("text"))});
        return QString();
      });
}

}  // namespace tavrinex::ui::qt
