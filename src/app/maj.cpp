// SPDX-License-Identifier: GPL-3.0-or-later
#include "maj.h"

#include "messages.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace velmaris {

namespace {

// The download picture: a page of figures with an arrow coming down onto it.
QIcon downloadIcon()
{
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    QPainterPath page;
    page.moveTo(10, 6);
    page.lineTo(36, 6);
    page.lineTo(48, 18);
    page.lineTo(48, 58);
    page.lineTo(10, 58);
    page.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 110), 2));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawPolyline(QPolygonF({QPointF(36, 6), QPointF(36, 18), QPointF(48, 18)}));
    p.setPen(QPen(QColor(150, 150, 170), 2));
    for (int y = 26; y <= 50; y += 6)
        p.drawLine(16, y, 38, y);

    QPainterPath arrow;
    arrow.moveTo(44, 22);
    arrow.lineTo(54, 22);
    arrow.lineTo(54, 42);
    arrow.lineTo(62, 42);
    arrow.lineTo(49, 58);
    arrow.lineTo(36, 42);
    arrow.lineTo(44, 42);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(20, 110, 40), 2));
    p.setBrush(QColor(50, 170, 70));
    p.drawPath(arrow);
    return QIcon(pixmap);
}

// The pictures beside Annuler and Ok: a cross or a tick on a coloured disc.
QIcon discIcon(const QColor& colour, bool tick)
{
    QPixmap pixmap(40, 40);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour.darker(130), 2));
    p.setBrush(colour);
    p.drawEllipse(QRectF(2, 2, 36, 36));
    p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (tick) {
        p.drawPolyline(QPolygonF({QPointF(11, 21), QPointF(17, 28), QPointF(29, 13)}));
    } else {
        p.drawLine(13, 13, 27, 27);
        p.drawLine(27, 13, 13, 27);
    }
    return QIcon(pixmap);
}

QToolButton* picture(QWidget* parent, const QIcon& icon, int size, const QString& name)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(icon);
    button->setIconSize(QSize(size, size));
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

Maj::Maj(Settings& settings, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("Maj"));
    setWindowTitle(QStringLiteral("Mise à jour des indices"));

    buildControls();
    layOutControls();

    connect(Valider, &QPushButton::clicked, this, &Maj::valider);
    connect(Picture2, &QToolButton::clicked, this, &Maj::valider);
    connect(Annuler, &QPushButton::clicked, this, &Maj::reject);
    connect(Picture1, &QToolButton::clicked, this, &Maj::reject);
    connect(Image1, &QToolButton::clicked, this, &Maj::downloadRequested);
    connect(Boutonmanuel, &QPushButton::clicked, this, &Maj::manualEditRequested);
    connect(saisirindice, &QPushButton::clicked, this, &Maj::indexEntryRequested);
    connect(importinsee, &QPushButton::clicked, this, &Maj::inseeImportRequested);
    connect(&m_settings, &Settings::updateChanged, this,
            [this] { showSettings(*this, m_settings.update()); });
    showSettings(*this, m_settings.update());
}

void Maj::buildControls()
{
    CheckMaj =
        new QCheckBox(QStringLiteral("Activer la mise à jour automatique des indices"), this);
    CheckMaj->setObjectName(QStringLiteral("CheckMaj"));
    Checkconnection = new QCheckBox(QStringLiteral("Test automatique de la connexion"), this);
    Checkconnection->setObjectName(QStringLiteral("Checkconnection"));

    Label2 = new QLabel(QStringLiteral("Adresse FTP"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    ftp = new QLineEdit(this);
    ftp->setObjectName(QStringLiteral("ftp"));
    ftp->setMinimumWidth(340);
    Label2->setBuddy(ftp);
    // The regional series fill columns 4 and 5 of the rows a download adds.
    auto idBankBox = [this](const QString& labelName, const QString& caption,
                            const QString& boxName, QLabel*& label, QLineEdit*& box) {
        label = new QLabel(caption, this);
        label->setObjectName(labelName);
        box = new QLineEdit(this);
        box->setObjectName(boxName);
        box->setPlaceholderText(QStringLiteral("aucun"));
        box->setMaxLength(20);
        label->setBuddy(box);
    };
    idBankBox(QStringLiteral("Label3"), QStringLiteral("idBank de l’IRL de Corse"),
              QStringLiteral("idcorse"), Label3, idcorse);
    idBankBox(QStringLiteral("Label4"), QStringLiteral("idBank de l’IRL d’outre-mer"),
              QStringLiteral("idoutremer"), Label4, idoutremer);
    Image1 = picture(this, downloadIcon(), 40, QStringLiteral("Image1"));
    Image1->setToolTip(QStringLiteral("Téléchargement du fichier des derniers indices"));

    Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);

    Label1 = new QLabel(
        QStringLiteral("La mise à jour automatique utilise votre connexion internet pour "
                       "télécharger le fichier des derniers indices Insee\u00a0: cette fonction "
                       "s’active automatiquement au lancement de l’application lorsque la date "
                       "courante excède celle de la publication au journal officiel du "
                       "précédent indice concerné."),
        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Boutonmanuel = new QPushButton(QStringLiteral("Mise à jour manuelle"), this);
    Boutonmanuel->setObjectName(QStringLiteral("Boutonmanuel"));
    Boutonmanuel->setAutoDefault(false);
    // Without a network: a quarter typed by hand, or INSEE's own file.
    saisirindice = new QPushButton(QStringLiteral("Saisir un indice…"), this);
    saisirindice->setObjectName(QStringLiteral("saisirindice"));
    saisirindice->setAutoDefault(false);
    importinsee = new QPushButton(QStringLiteral("Importer un fichier Insee…"), this);
    importinsee->setObjectName(QStringLiteral("importinsee"));
    importinsee->setAutoDefault(false);
    importinsee->setToolTip(QStringLiteral("Le fichier CSV (ou ZIP) d’une série, téléchargé "
                                           "depuis le site de l’Insee"));
    Annuler = new QPushButton(QStringLiteral("&Annuler"), this);
    Annuler->setObjectName(QStringLiteral("Annuler"));
    Annuler->setAutoDefault(false);
    Valider = new QPushButton(QStringLiteral("&OK"), this);
    Valider->setObjectName(QStringLiteral("Valider"));
    Valider->setDefault(true);
    Picture1 = picture(this, discIcon(QColor(200, 50, 45), false), 20, QStringLiteral("Picture1"));
    Picture2 = picture(this, discIcon(QColor(45, 150, 65), true), 20, QStringLiteral("Picture2"));
}

void Maj::layOutControls()
{
    auto* address = new QGridLayout;
    address->addWidget(Label2, 0, 0, 1, 2);
    address->addWidget(ftp, 1, 0);
    address->addWidget(Image1, 0, 1, 2, 1, Qt::AlignBottom);
    address->setColumnStretch(0, 1);

    auto* regional = new QGridLayout;
    regional->addWidget(Label3, 0, 0);
    regional->addWidget(idcorse, 0, 1);
    regional->addWidget(Label4, 1, 0);
    regional->addWidget(idoutremer, 1, 1);
    regional->setColumnStretch(1, 1);

    auto* offline = new QHBoxLayout;
    offline->addWidget(Boutonmanuel);
    offline->addWidget(saisirindice);
    offline->addWidget(importinsee);
    offline->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Picture1);
    buttons->addWidget(Annuler);
    buttons->addSpacing(8);
    buttons->addWidget(Picture2);
    buttons->addWidget(Valider);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->addWidget(CheckMaj);
    layout->addWidget(Checkconnection);
    layout->addSpacing(6);
    layout->addLayout(address);
    layout->addLayout(regional);
    layout->addWidget(Line1);
    layout->addWidget(Label1);
    layout->addSpacing(6);
    layout->addLayout(offline);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void Maj::reject()
{
    // What was typed and not saved is dropped: the settings stay as they were.
    showSettings(*this, m_settings.update());
    QDialog::reject();
}

void Maj::valider()
{
    const QString title = QStringLiteral("Mise à jour des indices");
    const UpdateSettings edited = settingsOf(*this);
    const QString refusal = settingsRefusal(edited);
    if (!refusal.isEmpty()) {
        MessageBox::critical(this, title, refusal);
        ftp->setFocus();
        return;
    }
    QString reason;
    if (!m_settings.setUpdate(edited, &reason)) {
        // The dialog stays open: the user may fix the file or cancel.
        MessageBox::critical(
            this, title,
            QStringLiteral("Les réglages n’ont pas pu être enregistrés\u00a0: %1.").arg(reason));
        return;
    }
    accept();
}

} // namespace velmaris
