#include "ui/qt/layout_loader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "ui/qt/color_palette.h"
#include "ui/qt/custom_widget.h"
#include "ui/qt/led_picture.h"

namespace tavrinex::ui::qt {
namespace {

// A tag expanding into a file that (indirectly) holds the same tag would never end.
constexpr int kMaxExpansionDepth = 8;

std::string Lower(const QString& s) { return s.toLower().toStdString(); }

}  // namespace

LayoutLoader::LayoutLoader(const ControlRegistry& registry, QString skinFolder, int depth)
    : registry_(registry), skinFolder_(std::move(skinFolder)), depth_(depth) {
  setWorkingDirectory(QDir(skinFolder_));
  available_ = availableWidgets();
}

QWidget* LayoutLoader::LoadFile(const QString& file, QWidget* parent) {
  const QString path = QDir(skinFolder_).filePath(file);
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    qWarning("layout %s: cannot open: %s", qPrintable(path), qPrintable(f.errorString()));
    return nullptr;
  }
  QWidget* top = load(&f, parent);
  if (top == nullptr) {
    qWarning("layout %s: cannot load: %s", qPrintable(path), qPrintable(errorString()));
  }
  return top;
}

QWidget* LayoutLoader::CreateOwn(const std::string& lowerClass, QWidget* parent) {
  if (lowerClass == "ledpicture") {
    auto* led = new LedPicture(parent);
    led->SetImageFolder(skinFolder_);
    return led;
  }
  if (lowerClass == "colorpalette") return new ColorPalette(parent);
  const auto it = registry_.factories.find(lowerClass);
  if (it == registry_.factories.end() || !it->second) return nullptr;
  auto control = it->second();
  if (!control) return nullptr;
  return new CustomWidget(std::move(control), skinFolder_, parent);
}

QWidget* LayoutLoader::Expand(const QString& tag, QWidget* parent, const QString& name) {
  if (!registry_.tagHandler) return nullptr;
  const auto expansion = registry_.tagHandler(tag.toStdString());
  if (!expansion) return nullptr;
  if (!expansion->controlClass.empty()) {
    return CreateOwn(Lower(QString::fromStdString(expansion->controlClass)), parent);
  }
  if (expansion->layoutFile.empty()) return nullptr;
  if (depth_ >= kMaxExpansionDepth) {
    qWarning("layout: tag %s for %s nests deeper than %d layouts; left empty", qPrintable(tag),
             qPrintable(name), kMaxExpansionDepth);
    return nullptr;
  }
  LayoutLoader nested(registry_, skinFolder_, depth_ + 1);
  return nested.LoadFile(QString::fromStdString(expansion->layoutFile), parent);
}

QWidget* LayoutLoader::createWidget(const QString& className, QWidget* parent,
                                    const QString& name) {
  QWidget* w = CreateOwn(Lower(className), parent);
  if (w == nullptr && available_.contains(className)) {
    w = QUiLoader::createWidget(className, parent, name);
  }
  if (w == nullptr) w = Expand(className, parent, name);
  if (w == nullptr) {
    qWarning("layout: unknown control class %s for %s; a plain container stands in",
             qPrintable(className), qPrintable(name));
    w = new QWidget(parent);
  }
  w->setObjectName(name);
  // The class the layout named, for Control::ClassName.
  w->setProperty("tavrinexClass", className);
  return w;
}

}  // namespace tavrinex::ui::qt
