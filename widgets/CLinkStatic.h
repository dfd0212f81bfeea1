#pragma once

#include <QColor>
#include <QLabel>

#include <functional>

// A static text that works as a hyperlink: underlined, blue until its target
// has been opened and purple after, the highlight colour while the mouse is
// over it, a pointing-hand cursor and a tooltip that shows the target. A
// click opens the target with the desktop's handler (for "mailto:" the
// user's mail program); when nothing can open it, a message gives the
// address (or the target) to copy instead.
class CLinkStatic : public QLabel {
    Q_OBJECT
public:
    // Opens a link target; true when it was handed to a handler.
    using Opener = std::function<bool(const QString &target)>;

    explicit CLinkStatic(QWidget *parent = nullptr);
    explicit CLinkStatic(const QString &text, QWidget *parent = nullptr);

    // Replaces the process-wide opener (default: QDesktopServices::openUrl)
    // and returns the previous one. Tests use it so that no mail program
    // starts.
    static Opener SetOpener(Opener opener);
    // What the default opener does: the target as a URL ("mailto:...",
    // "https://...", or a local file name).
    static bool OpenWithDesktop(const QString &target);

    void SetTarget(const QString &target);
    QString Target() const { return target_; }

    void MarkVisited(bool visited = true);
    bool IsVisited() const { return visited_; }

    // On (the default): the control sizes itself to its text, keeping its
    // left, centre or right edge as its alignment says. Off: it keeps the
    // size it was given.
    void SetFitToText(bool fit);
    bool FitToText() const { return fitToText_; }

    void SetUnderline(bool underline);
    void SetLinkColor(const QColor &color);
    void SetVisitedColor(const QColor &color);
    void SetHoverColor(const QColor &color);

    // Makes the control a link the way a dialog does when it initialises:
    // an empty target is taken from the text, an empty text shows the
    // target, the font gets its underline, the control fits its text and the
    // tooltip shows the target. Runs by itself the first time the control is
    // shown; calling it again does nothing.
    void Attach();
    bool IsAttached() const { return attached_; }

    bool IsHovering() const { return hover_; }
    // The colour the text is drawn in now.
    QColor CurrentColor() const;

    // Opens the target as a click does: marks the link visited on success;
    // otherwise shows a message with the address to write to (for
    // "mailto:") or the target, on a line of its own to select and copy.
    // Returns whether it opened.
    bool Open();

signals:
    void Opened(const QString &target);

protected:
    bool event(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void Init();
    void FitText();
    void UpdateColor();
    void SetHover(bool hover);

    QColor linkColor_{0, 0, 238};
    QColor visitedColor_{85, 26, 139};
    QColor hoverColor_;
    bool hover_ = false;
    bool visited_ = false;
    bool underline_ = true;
    bool fitToText_ = true;
    QString target_;
    bool attached_ = false;
    bool pressed_ = false;
};
