#pragma once

// CMetafileBox: shows one vector illustration (an SVG drawing) on a white
// background, in the largest 4:3 rectangle centred in the control. Used by the
// system-assembly and completion pages.

#include <QRect>
#include <QString>
#include <QWidget>

#include <memory>

class QSvgRenderer;

class CMetafileBox : public QWidget {
    Q_OBJECT
public:
    explicit CMetafileBox(QWidget *parent = nullptr);
    ~CMetafileBox() override;

    // Loads illustration id (Ids::IllustrationPath). See LoadFile.
    bool LoadResource(int id);
    // Drops the current drawing and loads an SVG file. A file that is not a
    // valid drawing loads nothing and still returns true (the control stays
    // white); false only when the file cannot be read at all.
    bool LoadFile(const QString &path);
    bool HasPicture() const { return renderer_ != nullptr; }

    // The picture rectangle in a client of size clientSize (integer division):
    // full width and height 3 * (w / 4) centred vertically when w / 4 < h / 3,
    // otherwise full height and width 4 * (h / 3) centred horizontally.
    static QRect PictureRect(QSize clientSize);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::unique_ptr<QSvgRenderer> renderer_;
};
