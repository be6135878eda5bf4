#pragma once

#include <QWidget>

#include <functional>

class QToolButton;

// A panel that folds to its 20-pixel title strip, so that with an edit laid over the strip
// it looks and works like a drop-down box. Expanded it shows its content below the strip.
class PortPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int TitleHeight = 20;
    static constexpr int ExpandedHeight = 106;

    explicit PortPanel(QWidget* parent = nullptr);

    // Where the panel's own controls go; laid out below the title strip.
    QWidget* Content() const { return Body; }
    QToolButton* DropButton() const { return Drop; }
    bool IsExpanded() const { return Expanded; }

    void Expand();
    // Folds the panel and always reports the collapse, also when it was folded already,
    // because a collapse is what applies the edited port list.
    void Collapse();

    // Called at every collapse, before the Collapsed signal.
    std::function<void()> OnPortPanelCollapse;

signals:
    void Collapsed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FocusChanged(QWidget* old, QWidget* now);

    QWidget* Title;
    QToolButton* Drop;
    QWidget* Body;
    bool Expanded = false;
};
