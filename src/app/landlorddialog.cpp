#include "landlorddialog.h"

#include "messages.h"

#include <QFontMetrics>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmaris {

LandlordDialog::LandlordDialog(Settings& settings, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("Bailleur"));
    setWindowTitle(QStringLiteral("Bailleur"));

    nom = new QLineEdit(this);
    nom->setObjectName(QStringLiteral("nom"));
    nom->setMaxLength(100);
    nom->setPlaceholderText(QStringLiteral("M. Jean Martin, SCI Les Tilleuls..."));
    Label1 = new QLabel(QStringLiteral("&Nom ou raison sociale"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setBuddy(nom);

    adresse = new QPlainTextEdit(this);
    adresse->setObjectName(QStringLiteral("adresse"));
    adresse->setTabChangesFocus(true);
    adresse->setLineWrapMode(QPlainTextEdit::NoWrap);
    adresse->setPlaceholderText(QStringLiteral("12 avenue Foch\n69006 Lyon"));
    // Room for the five lines an address may take, no more.
    const QFontMetrics metrics(adresse->font());
    adresse->setFixedHeight(metrics.lineSpacing() * kLandlordAddressLines
                            + int(adresse->document()->documentMargin() * 2)
                            + adresse->frameWidth() * 2);
    Label2 = new QLabel(QStringLiteral("&Adresse postale"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setBuddy(adresse);

    lieu = new QLineEdit(this);
    lieu->setObjectName(QStringLiteral("lieu"));
    lieu->setMaxLength(60);
    lieu->setPlaceholderText(QStringLiteral("Lyon"));
    Label3 = new QLabel(QStringLiteral("&Fait à"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setBuddy(lieu);

    Label4 = new QLabel(QStringLiteral("Ces coordonnées figurent en tête des lettres de révision "
                                       "adressées aux locataires ; l'adresse tient en %1 lignes "
                                       "au plus, la commune sur la dernière.")
                            .arg(kLandlordAddressLines),
                        this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setWordWrap(true);

    Annuler = new QPushButton(QStringLiteral("&Annuler"), this);
    Annuler->setObjectName(QStringLiteral("Annuler"));
    Annuler->setAutoDefault(false);
    Valider = new QPushButton(QStringLiteral("&Ok"), this);
    Valider->setObjectName(QStringLiteral("Valider"));
    Valider->setDefault(true);

    auto* form = new QFormLayout;
    form->addRow(Label1, nom);
    form->addRow(Label2, adresse);
    form->addRow(Label3, lieu);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Annuler);
    buttons->addWidget(Valider);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->addWidget(Label4);
    layout->addSpacing(6);
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    setMinimumWidth(460);

    connect(Valider, &QPushButton::clicked, this, &LandlordDialog::accept);
    connect(Annuler, &QPushButton::clicked, this, &LandlordDialog::reject);
    showLandlord(m_settings.landlord());
}

LandlordSettings LandlordDialog::landlord() const
{
    LandlordSettings landlord;
    landlord.name = nom->text().trimmed();
    for (const QString& line : adresse->toPlainText().split(u'\n'))
        if (!line.trimmed().isEmpty())
            landlord.address << line.trimmed();
    landlord.place = lieu->text().trimmed();
    return landlord;
}

void LandlordDialog::showLandlord(const LandlordSettings& landlord)
{
    nom->setText(landlord.name);
    adresse->setPlainText(landlord.address.join(u'\n'));
    lieu->setText(landlord.place);
}

void LandlordDialog::accept()
{
    QString reason;
    if (!m_settings.setLandlord(landlord(), &reason)) {
        MessageBox::critical(this, QStringLiteral("Bailleur"),
                             QStringLiteral("Les coordonnées du bailleur n'ont pas pu être "
                                            "enregistrées : ")
                                 + reason + u'.');
        return;
    }
    QDialog::accept();
}

} // namespace velmaris
