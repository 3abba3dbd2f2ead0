// SPDX-License-Identifier: GPL-3.0-or-later
#include "leaseform.h"

#include "amounts.h"
#include "dates.h"
#include "formrows.h"
#include "messages.h"
#include "windowfit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmaris {

namespace {

template <typename T> T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

const Territory kTerritories[] = {Territory::Metropole, Territory::Corse, Territory::OutreMer};
const DpeClass kDpeClasses[] = {DpeClass::None, DpeClass::A, DpeClass::B, DpeClass::C,
                                DpeClass::D,    DpeClass::E, DpeClass::F, DpeClass::G};

int comboIndex(const QComboBox* box, int value)
{
    const int i = box->findData(value);
    return i < 0 ? 0 : i;
}

} // namespace

LeaseForm::LeaseForm(const Lease& lease, const IndexTable& table, const std::vector<Owner>& owners,
                     qint64 defaultOwner, QWidget* parent)
    : QDialog(parent)
    , m_table(table)
    , m_owners(owners)
    , m_defaultOwner(defaultOwner)
    , m_id(lease.id)
{
    setObjectName(QStringLiteral("Bail"));
    setWindowTitle(lease.id == 0 ? QStringLiteral("Nouveau bail")
                                 : QStringLiteral("Bail ") + lease.reference);
    buildControls();
    showLease(lease);
}

void LeaseForm::setSave(Save save)
{
    m_save = std::move(save);
}

void LeaseForm::buildControls()
{
    auto line = [this](const QString& name, const QString& placeholder = {}) {
        auto* box = named(new QLineEdit(this), name);
        box->setPlaceholderText(placeholder);
        return box;
    };
    reference = line(QStringLiteral("reference"));
    reference->setMaxLength(kMaxReferenceLength);
    locataire = line(QStringLiteral("locataire"));
    courriel = line(QStringLiteral("courriel"), QStringLiteral("nom@domaine.fr"));
    courriel->setMaxLength(kMaxContactLength);
    courriel->setToolTip(QStringLiteral("L’adresse à laquelle «\u00a0Envoyer par courriel…\u00a0» adresse "
                                        "la lettre de révision"));
    adresse = line(QStringLiteral("adresse"));
    codepostal = line(QStringLiteral("codepostal"), QStringLiteral("69003"));
    codepostal->setMaxLength(5);
    codepostal->setToolTip(
        QStringLiteral("Cinq chiffres\u00a0: 69003, 20000 en Corse, 97411 outre-mer"));
    commune = line(QStringLiteral("commune"), QStringLiteral("Lyon"));
    commune->setToolTip(QStringLiteral("La commune de l’adresse\u00a0: la lettre l’écrit en capitales "
                                       "après le code postal, «\u00a069003 LYON\u00a0»"));
    for (QLineEdit* text : {locataire, adresse, commune})
        text->setMaxLength(kMaxNameLength);
    territoire = named(new QComboBox(this), QStringLiteral("territoire"));
    for (Territory t : kTerritories)
        territoire->addItem(territoryText(t), int(t));
    territoire->addItem(QStringLiteral("à indiquer"), int(Territory::Unset));
    territoireabsent = named(new QLabel(this), QStringLiteral("territoireabsent"));
    territoireabsent->setWordWrap(true);
    territoireabsent->setStyleSheet(QStringLiteral("color: #9c1c1c"));
    meuble =
        named(new QCheckBox(QStringLiteral("Logement meublé"), this), QStringLiteral("meuble"));
    buildOwnerBox(m_owners);
    datesignature = line(QStringLiteral("datesignature"), QStringLiteral("jj/mm/aaaa"));
    dateeffet = line(QStringLiteral("dateeffet"), QStringLiteral("jj/mm/aaaa"));
    trimestrereference = named(new QComboBox(this), QStringLiteral("trimestrereference"));
    trimestrereference->addItem(QStringLiteral("(aucun\u00a0: dernier publié à la signature)"),
                                QString());
    for (const IndexRow& row : m_table.rows)
        trimestrereference->addItem(row.quarter.label(), row.quarter.key());
    trimestrereference->setMaxVisibleItems(16);
    trimestreapplique = named(new QLabel(this), QStringLiteral("trimestreapplique"));
    trimestreapplique->setWordWrap(true);
    daterevision =
        line(QStringLiteral("daterevision"), QStringLiteral("jj/mm\u00a0; vide\u00a0: anniversaire du bail"));
    clause = named(new QComboBox(this), QStringLiteral("clause"));
    clause->addItem(clauseText(Clause::HausseSeulement), int(Clause::HausseSeulement));
    clause->addItem(clauseText(Clause::HausseEtBaisse), int(Clause::HausseEtBaisse));
    dpe = named(new QComboBox(this), QStringLiteral("dpe"));
    for (DpeClass d : kDpeClasses)
        dpe->addItem(d == DpeClass::None ? QStringLiteral("non renseignée") : dpeText(d), int(d));
    datedpe = line(QStringLiteral("datedpe"), QStringLiteral("jj/mm/aaaa"));
    loyer = line(QStringLiteral("loyer"), QStringLiteral("hors charges"));
    charges = line(QStringLiteral("charges"), QStringLiteral("0,00"));
    for (QLineEdit* amount : {loyer, charges})
        amount->setAlignment(Qt::AlignRight);
    derniererevision = line(QStringLiteral("derniererevision"), QStringLiteral("jj/mm/aaaa"));
    derniererevision->setToolTip(QStringLiteral(
        "Date de la dernière révision faite avant l’entrée du bail au registre, s’il y en a eu"));
    notes = named(new QPlainTextEdit(this), QStringLiteral("notes"));
    notes->setTabChangesFocus(true);
    notes->setMinimumHeight(60);

    layOutControls();
}

// Two columns, the lease on the left and its rent on the right, notes below.
void LeaseForm::layOutControls()
{
    auto* leaseBox = new QGroupBox(QStringLiteral("Bail"), this);
    auto* left = new QFormLayout(leaseBox);
    left->addRow(QStringLiteral("Référence\u00a0:"), reference);
    left->addRow(QStringLiteral("Locataire\u00a0:"), locataire);
    left->addRow(QStringLiteral("Courriel\u00a0:"), courriel);
    left->addRow(QStringLiteral("Adresse\u00a0:"), adresse);
    // The town beside its postal code, as the address's last line reads.
    auto* place = new QHBoxLayout;
    // Room for the whole code and a usual town name, however narrow the column.
    const QFontMetrics metrics = codepostal->fontMetrics();
    codepostal->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("000000")) + 16);
    commune->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("Villeurbanne")) + 16);
    auto* townLabel = new QLabel(QStringLiteral("Commune\u00a0:"), this);
    townLabel->setBuddy(commune);
    place->addWidget(codepostal);
    place->addWidget(townLabel);
    place->addWidget(commune, 1);
    left->addRow(QStringLiteral("Code postal\u00a0:"), place);
    left->addRow(QStringLiteral("Territoire\u00a0:"), territoire);
    left->addRow(QString(), territoireabsent);
    left->addRow(QString(), meuble);
    left->addRow(QStringLiteral("Bailleur\u00a0:"), ownerRow());
    if (auto* label = qobject_cast<QLabel*>(
            left->itemAt(left->rowCount() - 1, QFormLayout::LabelRole)->widget()))
        label->setBuddy(bailleur);
    left->addRow(QStringLiteral("Date de signature\u00a0:"), datesignature);
    left->addRow(QStringLiteral("Date d’effet\u00a0:"), dateeffet);
    left->addRow(QStringLiteral("Classe DPE\u00a0:"), dpe);
    left->addRow(QStringLiteral("Date du DPE\u00a0:"), datedpe);

    auto* rentBox = new QGroupBox(QStringLiteral("Loyer et révision"), this);
    auto* right = new QFormLayout(rentBox);
    right->addRow(QStringLiteral("Loyer (€)\u00a0:"), loyer);
    right->addRow(QStringLiteral("Charges (€)\u00a0:"), charges);
    right->addRow(QStringLiteral("Trimestre de référence\u00a0:"), trimestrereference);
    right->addRow(QString(), trimestreapplique);
    right->addRow(QStringLiteral("Date de révision\u00a0:"), daterevision);
    right->addRow(QStringLiteral("Clause\u00a0:"), clause);
    right->addRow(QStringLiteral("Dernière révision\u00a0:"), derniererevision);

    auto* columns = new QHBoxLayout;
    columns->addWidget(leaseBox, 1);
    columns->addWidget(rentBox, 1);

    auto* buttons = new QDialogButtonBox(this);
    enregistrer =
        named(buttons->addButton(QStringLiteral("Enregistrer"), QDialogButtonBox::AcceptRole),
              QStringLiteral("enregistrer"));
    annuler = named(buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole),
                    QStringLiteral("annuler"));
    enregistrer->setDefault(true);
    connect(enregistrer, &QPushButton::clicked, this, &LeaseForm::save);
    connect(annuler, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(new QLabel(QStringLiteral("Notes\u00a0:"), this));
    layout->addWidget(notes, 1);
    layout->addWidget(buttons);

    connect(codepostal, &QLineEdit::textEdited, this, &LeaseForm::postalCodeEdited);
    connect(territoire, &QComboBox::activated, this, [this] { m_territoryChosen = true; });
    connect(territoire, &QComboBox::currentIndexChanged, this, &LeaseForm::showMissingTerritory);
    connect(datesignature, &QLineEdit::textChanged, this, &LeaseForm::showReferenceQuarter);
    connect(trimestrereference, &QComboBox::currentIndexChanged, this,
            &LeaseForm::showReferenceQuarter);
    for (QLineEdit* date : {datesignature, dateeffet, datedpe, derniererevision})
        connect(date, &QLineEdit::editingFinished, this, [this, date] { tidyDate(date); });
    for (QLineEdit* amount : {loyer, charges})
        connect(amount, &QLineEdit::editingFinished, this, [this, amount] { tidyAmount(amount); });

    // A screen too narrow for both columns gets one above the other.
    if (columns->sizeHint().width() > screenRoom(this).width())
        columns->setDirection(QBoxLayout::TopToBottom);
    // Tab reads each column top to bottom, whatever boxes the columns hold.
    tabOrderFromLayout(this);
    giveMnemonics(this);
    scrollWhenSmall(this, buttons);
}

void LeaseForm::showLease(const Lease& lease)
{
    m_shown = fieldsShowing(lease);
    m_base = m_shown;
    m_version = lease.version;
    showFields(m_shown);
}

void LeaseForm::showFields(const LeaseFields& f)
{
    reference->setText(f.reference);
    locataire->setText(f.tenant);
    courriel->setText(f.tenantEmail);
    adresse->setText(f.address);
    codepostal->setText(f.postalCode);
    commune->setText(f.town);
    territoire->setCurrentIndex(comboIndex(territoire, int(f.territory)));
    // A territory other than the postal code's was chosen by hand: keep it.
    m_territoryChosen = m_id != 0 && f.territory != territoryFromPostalCode(f.postalCode);
    meuble->setChecked(f.furnished);
    showOwner(f.ownerId);
    datesignature->setText(f.signingDate);
    dateeffet->setText(f.startDate);
    if (!f.referenceQuarter.isValid()) {
        trimestrereference->setCurrentIndex(0);
    } else {
        int i = trimestrereference->findData(f.referenceQuarter.key());
        if (i < 0) { // a quarter the index file lacks still belongs to the lease
            trimestrereference->addItem(f.referenceQuarter.label(), f.referenceQuarter.key());
            i = trimestrereference->count() - 1;
        }
        trimestrereference->setCurrentIndex(i);
    }
    daterevision->setText(f.revisionDate);
    clause->setCurrentIndex(comboIndex(clause, int(f.clause)));
    dpe->setCurrentIndex(comboIndex(dpe, int(f.dpe)));
    datedpe->setText(f.dpeDate);
    loyer->setText(f.rent);
    charges->setText(f.charges);
    derniererevision->setText(f.priorRevision);
    notes->setPlainText(f.notes);
    showReferenceQuarter();
    showMissingTerritory();
}

LeaseFields LeaseForm::fields() const
{
    LeaseFields f;
    f.reference = reference->text();
    f.tenant = locataire->text();
    f.tenantEmail = courriel->text();
    f.address = adresse->text();
    f.postalCode = codepostal->text();
    f.town = commune->text();
    f.territory = Territory(territoire->currentData().toInt());
    f.furnished = meuble->isChecked();
    f.ownerId = chosenOwner();
    f.signingDate = datesignature->text();
    f.startDate = dateeffet->text();
    if (const auto q = Quarter::fromKey(trimestrereference->currentData().toString()))
        f.referenceQuarter = *q;
    f.revisionDate = daterevision->text();
    f.clause = Clause(clause->currentData().toInt());
    f.dpe = DpeClass(dpe->currentData().toInt());
    f.dpeDate = datedpe->text();
    f.rent = loyer->text();
    f.charges = charges->text();
    f.priorRevision = derniererevision->text();
    f.notes = notes->toPlainText();
    return f;
}

void LeaseForm::save()
{
    QStringList problems;
    Lease lease = leaseOf(fields(), m_id, &problems);
    lease.version = m_version;
    problems = ownerProblems() + problems;
    // The kind follows the owner, as the register sets it.
    for (const Owner& o : m_owners)
        if (o.id == lease.ownerId)
            lease.landlordKind = landlordKindOf(o.kind);
    // A commune code ("2A004") an older register holds stays as it is; a new
    // one is no postal code.
    if (isCorsicanCommuneCode(lease.postalCode)
        && lease.postalCode != m_shown.postalCode.trimmed().toUpper())
        problems.prepend(postalCodeProblem(lease.postalCode));
    if (!problems.isEmpty()) {
        refuseSave(this, QStringLiteral("Bail"), QStringLiteral("Le bail n’est pas enregistré"),
                   problems, faultyBox(problems));
        return;
    }
    QString error;
    if (m_save && !m_save(lease, &error)) {
        MessageBox::critical(this, QStringLiteral("Bail"), error);
        if (QWidget* box = faultyBox({error}))
            box->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_saved = lease;
    accept();
}

QWidget* LeaseForm::faultyBox(const QStringList& problems) const
{
    const std::pair<const char16_t*, QWidget*> boxes[] = {
        {u"référence", reference},
        {u"la référence", reference},
        {u"nom du locataire", locataire},
        {u"courriel du locataire", courriel},
        {u"adresse", adresse},
        {u"code postal", codepostal},
        {u"pas de série", codepostal},
        {u"nom de commune", commune},
        {u"bailleur", bailleur},
        {u"date de signature", datesignature},
        {u"date d’effet", dateeffet},
        {u"date de révision", daterevision},
        {u"date du DPE", datedpe},
        {u"loyer", loyer},
        {u"charges", charges},
        {u"date de dernière révision", derniererevision},
        {u"dernière révision", derniererevision},
        {u"notes", notes},
    };
    for (const auto& [about, box] : boxes)
        for (const QString& problem : problems)
            if (problem.startsWith(QStringView(about), Qt::CaseInsensitive))
                return box;
    return nullptr;
}

bool LeaseForm::isChanged() const
{
    return fields() != m_shown;
}

void LeaseForm::reject()
{
    if (isChanged()
        && !MessageBox::question(this, windowTitle(),
                                 QStringLiteral("Abandonner les modifications\u00a0?")))
        return;
    QDialog::reject();
}

void LeaseForm::postalCodeEdited()
{
    if (!m_territoryChosen)
        territoire->setCurrentIndex(
            comboIndex(territoire, int(territoryFromPostalCode(codepostal->text()))));
    showMissingTerritory();
}

void LeaseForm::showReferenceQuarter()
{
    if (trimestrereference->currentIndex() > 0) {
        trimestreapplique->clear();
        return;
    }
    const QDate signing = parseFrenchDate(datesignature->text()).value_or(QDate());
    trimestreapplique->setText(referenceQuarterHint(signing, m_table));
}

void LeaseForm::showMissingTerritory()
{
    const bool unset = Territory(territoire->currentData().toInt()) == Territory::Unset;
    territoireabsent->setText(unset ? noSeriesMessage(codepostal->text()) : QString());
    territoireabsent->setVisible(unset);
}

void LeaseForm::tidyDate(QLineEdit* box)
{
    if (const std::optional<QDate> date = parseFrenchDate(box->text()))
        box->setText(dateText(*date));
}

void LeaseForm::tidyAmount(QLineEdit* box)
{
    if (const std::optional<qint64> cents = readAmount(box->text()))
        box->setText(amountText(*cents));
}

} // namespace velmaris
