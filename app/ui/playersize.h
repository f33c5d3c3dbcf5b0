// The "Maximum player width/height" selectors of the Image and Video tabs. The
// two lists pair up by position (1400 x 900, 1280 x 1024, ...), so choosing an
// entry in one selects the same entry in the other.
#pragma once
#include <QObject>

class QComboBox;
class QWidget;

class CPlayerSizeSelector : public QObject {
    Q_OBJECT
public:
    explicit CPlayerSizeSelector(QWidget* parent);

    QComboBox* widthBox() const { return m_width; }
    QComboBox* heightBox() const { return m_height; }

    // 0 x 0 stands for the movie's own stage size.
    void setSize(int width, int height);
    void size(int& width, int& height) const;
    // The width selector shows its first entry, the stage size.
    bool widthIsStageSize() const;

private:
    void follow(QComboBox* to, int index);
    static bool showsStageSize(const QComboBox* box);

    QComboBox* m_width;
    QComboBox* m_height;
    bool m_loading = false;
};
