#include "Accessibility.h"

#include <QAccessibleWidget>
#include <QComboBox>

namespace {

class ComboBoxAccessible : public QAccessibleWidget {
public:
    explicit ComboBoxAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        // The widget's own name (its label); Qt's default on Linux would say the value.
        if (t == QAccessible::Value)
            return Box()->currentText();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << showMenuAction();
    }

    void doAction(const QString& action) override {
        if (action == showMenuAction())
            Box()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QComboBox* Box() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* ComboBoxFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("QComboBox") && object && object->isWidgetType())
        return new ComboBoxAccessible(static_cast<QComboBox*>(object));
    return nullptr;
}

} // namespace

void InstallAccessibleNames() {
    static const bool installed = [] {
        QAccessible::installFactory(ComboBoxFactory);
        return true;
    }();
    (void)installed;
}
