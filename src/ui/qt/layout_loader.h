// Builds widgets from Qt Designer layout files. The loader's factory hook creates our own
// control classes (LED picture, colour palette, registered classes) and expands custom tags;
// a class nobody knows becomes a plain container, with a diagnostic.
#pragma once

#include <QString>
#include <QStringList>
#include <QUiLoader>

#include "ui/qt/control_registry.h"

namespace tavrinex::ui::qt {

class LayoutLoader : public QUiLoader {
 public:
  LayoutLoader(const ControlRegistry& registry, QString skinFolder, int depth = 0);

  // The top widget of the layout file (relative to the skin folder), or null with a
  // diagnostic when the file is missing or malformed.
  [[nodiscard]] QWidget* LoadFile(const QString& file, QWidget* parent);

  QWidget* createWidget(const QString& className, QWidget* parent,
                        const QString& name) override;

 private:
  QWidget* CreateOwn(const std::string& lowerClass, QWidget* parent);
  QWidget* Expand(const QString& tag, QWidget* parent, const QString& name);

  const ControlRegistry& registry_;
  QString skinFolder_;
  int depth_;
  QStringList available_;  // Qt's own widget classes
};

}  // namespace tavrinex::ui::qt
