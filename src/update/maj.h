#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace velmaris {

// The update dialog. Its controls are the program's only copy of the settings:
// OK writes them to Velmaris.ini, Annuler keeps them for this run only.
class Maj : public QDialog {
    Q_OBJECT

public:
    explicit Maj(QWidget* parent = nullptr);

    // The settings file that OK writes to.
    void setIniPath(const QString& path) { m_iniPath = path; }
    QString iniPath() const { return m_iniPath; }

    QCheckBox* CheckMaj = nullptr;
    QCheckBox* Checkconnection = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* ftp = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* Boutonmanuel = nullptr;
    QToolButton* Image1 = nullptr;
    QPushButton* Annuler = nullptr;
    QPushButton* Valider = nullptr;
    QToolButton* Picture1 = nullptr;
    QToolButton* Picture2 = nullptr;
    QFrame* Line1 = nullptr;

signals:
    void downloadRequested();
    void manualEditRequested();

private:
    void valider();

    QString m_iniPath;
};

} // namespace velmaris
