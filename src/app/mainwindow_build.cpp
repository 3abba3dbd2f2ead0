// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls: the grid, the side column with its commands,
// and the scroll area they sit in.
#include "mainwindow.h"

#include "windowfit.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

namespace velmaris {

namespace {

template <typename T> T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

QLabel* heading(QWidget* parent, const QString& name, const QString& text)
{
    auto* label = named(new QLabel(text, parent), name);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

void MainWindow::buildControls()
{
    QFrame* panel = buildGrid();
    QWidget* sideBox = buildSide();

    // Everything sits in a scroll area over the gradient: on a small screen, or
    // with large fonts, nothing is cut off; it scrolls.
    auto* contents = named(new QWidget, QStringLiteral("contenu"));
    auto* top = new QBoxLayout(QBoxLayout::LeftToRight, contents);
    top->setContentsMargins(10, 10, 10, 10);
    top->setSpacing(10);
    top->addWidget(panel, 1, Qt::AlignTop);
    top->addWidget(sideBox, 1);
    m_columns = top;
    m_grid = panel;
    m_side = sideBox;
    m_scroll = named(new QScrollArea(this), QStringLiteral("defilement"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setFocusPolicy(Qt::NoFocus); // no Tab stop of its own
    m_scroll->setWidgetResizable(true);
    m_scroll->setWidget(contents);
    m_scroll->viewport()->setAutoFillBackground(false);
    contents->setAutoFillBackground(false);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_scroll);

    // The keyboard goes from the lease date down the rents, then to the commands.
    QWidget* previous = datedubail;
    for (QWidget* next : loyer) {
        setTabOrder(previous, next);
        previous = next;
    }
    for (QWidget* next : std::initializer_list<QWidget*>{
             reeval, calculatrice, imprimer, pdf, Command2, Command1, saisirindice, baux, arret}) {
        setTabOrder(previous, next);
        previous = next;
    }
    connect(reeval, &QCheckBox::toggled, this, &MainWindow::reevalToggled);
    buildShortcuts();
    keepFocusInView(m_scroll);
    giveMnemonics(this);
    // load() fits the window to what it then holds.
}

void MainWindow::fitToContents()
{
    // As large as the contents, within the screen: what does not fit scrolls.
    QWidget* contents = m_scroll->widget();
    contents->ensurePolished();
    // A line under the grid that got its text makes the grid's frame taller
    // only once laid out again: do it now, before the window is shown.
    m_panel->updateGeometry();
    if (contents->layout())
        contents->layout()->invalidate();
    fitToScreen(this, scrolledSize(contents, screenRoom(this), 1000));
}

void MainWindow::buildShortcuts()
{
    // Shortcuts leave the captions as the product writes them.
    auto add = [this](const QKeySequence& keys, const QString& name, auto slot) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setObjectName(name);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    add(QKeySequence(Qt::CTRL | Qt::Key_P), QStringLiteral("raccourci_imprimer"),
        &MainWindow::printReport);
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), QStringLiteral("raccourci_copier"),
        &MainWindow::copyTable);
    add(QKeySequence(Qt::CTRL | Qt::Key_Q), QStringLiteral("raccourci_quitter"), &QWidget::close);
    add(QKeySequence(Qt::Key_F1), QStringLiteral("raccourci_apropos"), &MainWindow::showCredits);
    imprimer->setToolTip(QStringLiteral("Imprimer le tableau (Ctrl+P)"));
    Command2->setToolTip(QStringLiteral("Copier le tableau dans le presse-papiers (Ctrl+Maj+C)"));
    arret->setToolTip(QStringLiteral("Quitter (Ctrl+Q)"));
}

QFrame* MainWindow::buildGrid()
{
    // The grid sits on a light panel so its figures read well over the gradient.
    auto* panel = named(new QFrame(this), QStringLiteral("grille"));
    m_panel = panel;
    panel->setAutoFillBackground(true);
    QPalette panelPalette = panel->palette();
    panelPalette.setColor(QPalette::Window, QColor(252, 248, 252));
    panel->setPalette(panelPalette);
    panel->setFrameShape(QFrame::StyledPanel);

    auto* grid = new QGridLayout(panel);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(1);
    grid->setContentsMargins(6, 8, 4, 8);

    buildGridHeadings(panel, grid);

    // As narrow as the figures allow: at a large scale the quarter and its
    // rent box must fit in the width of the screen together.
    const int numberWidth = fontMetrics().horizontalAdvance(QStringLiteral("0 000,00")) + 4;
    const int rentWidth = fontMetrics().horizontalAdvance(QStringLiteral("00 000,00")) + 12;
    for (int i = 0; i < kGridLines; ++i) {
        const QString n = QString::number(i);
        auto cell = [&](const QString& name, Qt::Alignment align) {
            auto* label = named(new QLabel(panel), name + u'_' + n);
            label->setAlignment(align | Qt::AlignVCenter);
            label->setMinimumWidth(numberWidth);
            return label;
        };
        textind[i] = cell(QStringLiteral("textind"), Qt::AlignLeft);
        indice[i] = cell(QStringLiteral("indice"), Qt::AlignRight);
        moyenne[i] = cell(QStringLiteral("moyenne"), Qt::AlignRight);
        irl[i] = cell(QStringLiteral("irl"), Qt::AlignRight);
        Datejo[i] = cell(QStringLiteral("Datejo"), Qt::AlignHCenter);
        loyer[i] = named(new QLineEdit(panel), QStringLiteral("loyer_") + n);
        loyer[i]->setAlignment(Qt::AlignRight);
        loyer[i]->setMinimumWidth(rentWidth);
        loyer[i]->setAutoFillBackground(true);
        loyer[i]->installEventFilter(this);
        connect(loyer[i], &QLineEdit::textEdited, this,
                [this, i] { m_edited[std::size_t(i)] = true; });

        grid->addWidget(textind[i], i + 1, 0);
        grid->addWidget(indice[i], i + 1, 1);
        grid->addWidget(moyenne[i], i + 1, 2);
        grid->addWidget(irl[i], i + 1, 3);
        grid->addWidget(Datejo[i], i + 1, 4);
        grid->addWidget(loyer[i], i + 1, 5);
    }
    barreinsee = named(new QScrollBar(Qt::Vertical, panel), QStringLiteral("barreinsee"));
    barreinsee->setRange(0, 0);
    barreinsee->setPageStep(kGridLines);
    barreinsee->setFocusPolicy(Qt::NoFocus); // the keyboard walks the boxes, the wheel scrolls
    grid->addWidget(barreinsee, 1, 6, kGridLines, 1);
    grid->setRowStretch(kGridLines + 1, 1); // spare height goes below the last line
    connect(barreinsee, &QScrollBar::valueChanged, this, &MainWindow::scrollChanged);
    panel->installEventFilter(this); // the wheel over the grid scrolls it

    return panel;
}

void MainWindow::buildGridHeadings(QWidget* panel, QGridLayout* grid)
{
    Label1[0] = heading(panel, QStringLiteral("Label1_0"), QStringLiteral("Trimestre"));
    Label2 = heading(panel, QStringLiteral("Label2"), QStringLiteral("Indice Insee"));
    Label3 =
        heading(panel, QStringLiteral("Label3"), QStringLiteral("Moyenne des 4 derniers indices"));
    Label8 =
        heading(panel, QStringLiteral("Label8"), QStringLiteral("Indice de référence des loyers"));
    Label4 = heading(panel, QStringLiteral("Label4"),
                     QStringLiteral("Date de parution au Journal Officiel"));
    Label5 = heading(panel, QStringLiteral("Label5"), QStringLiteral("Montant du loyer"));
    Label9 = named(new QLabel(QStringLiteral("(hors charges)"), panel), QStringLiteral("Label9"));
    Label9->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1[0]->setCursor(Qt::PointingHandCursor);
    Label1[0]->installEventFilter(this);

    auto* rentHeading = new QVBoxLayout;
    rentHeading->setSpacing(0);
    rentHeading->addWidget(Label5);
    rentHeading->addWidget(Label9);
    grid->addWidget(Label1[0], 0, 0);
    grid->addWidget(Label2, 0, 1);
    grid->addWidget(Label3, 0, 2);
    grid->addWidget(Label8, 0, 3);
    grid->addWidget(Label4, 0, 4);
    grid->addLayout(rentHeading, 0, 5);
    // Word-wrapped headings get no height from the grid by themselves: give them three lines.
    const int headingHeight = QFontMetrics(Label3->font()).lineSpacing() * 3 + 4;
    for (QLabel* h : {Label1[0], Label2, Label3, Label8, Label4})
        h->setMinimumHeight(headingHeight);
    const int columnWidths[] = {64, 48, 56, 56, 72, 88};
    for (int c = 0; c < 6; ++c)
        grid->setColumnMinimumWidth(c, columnWidths[c]);
}

// Right-hand side: how to use it, the lease date and the commands.
QWidget* MainWindow::buildSide()
{
    auto* side = new QVBoxLayout;
    side->setSpacing(8);
    auto sideText = [&](const QString& name, const QString& text) {
        QLabel* label = named(new QLabel(text, this), name);
        label->setWordWrap(true);
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        label->setPalette(p);
        return label;
    };
    Label6 = sideText(
        QStringLiteral("Label6"),
        QStringLiteral("Saisissez le loyer de référence en face de l’indice de référence"));
    QFont strong = Label6->font();
    strong.setBold(true);
    Label6->setFont(strong);
    Label7 =
        sideText(QStringLiteral("Label7"),
                 QStringLiteral("Pour rappel\u00a0: si le bail ne précise pas d’indice de référence, "
                                "l’indice à considérer est le dernier publié au Journal Officiel "
                                "à la date du bail. Pour le calculer automatiquement, entrez "
                                "ci-dessous la date du bail\u00a0:"));
    datedubail = named(new QLineEdit(this), QStringLiteral("datedubail"));
    datedubail->setPlaceholderText(QStringLiteral("jj/mm/aaaa"));
    datedubail->installEventFilter(this);
    reeval = named(new QCheckBox(this), QStringLiteral("reeval"));
    {
        QPalette p = reeval->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        reeval->setPalette(p);
    }
    // A check box caption does not wrap by itself; keep it inside the side column.
    reeval->setText(QStringLiteral("Loyer «\u00a0réévalué\u00a0» (si case non cochée,\n"
                                   "seuls les loyers «\u00a0augmentés\u00a0»\n"
                                   "sont calculés)"));

    buildCommands();

    buildTitle();
    Label1[1] = sideText(QStringLiteral("Label1_1"), QStringLiteral("© Velmaris 2000/2008"));
    Label1[1]->setWordWrap(false);
    Label1[1]->setCursor(Qt::PointingHandCursor);
    Label1[1]->installEventFilter(this);
    nover = sideText(QStringLiteral("nover"), QStringLiteral("v. %1.%2.%3")
                                                  .arg(VELMARIS_VERSION_MAJOR)
                                                  .arg(VELMARIS_VERSION_MINOR)
                                                  .arg(VELMARIS_VERSION_PATCH));

    side->addWidget(Image1, 0, Qt::AlignHCenter);
    side->addSpacing(6);
    side->addWidget(Label6);
    side->addSpacing(6);
    side->addWidget(Label7);
    side->addWidget(datedubail);
    side->addSpacing(6);
    side->addWidget(reeval);
    side->addStretch(1);
    for (QPushButton* b :
         {calculatrice, imprimer, pdf, Command2, Command1, saisirindice, baux, arret})
        side->addWidget(b);
    side->addSpacing(6);
    side->addWidget(Label1[1], 0, Qt::AlignHCenter);
    side->addWidget(nover, 0, Qt::AlignHCenter);

    auto* sideBox = new QWidget(this);
    sideBox->setLayout(side);
    sideBox->setMinimumWidth(reeval->sizeHint().width());
    sideBox->setMaximumWidth(330);
    side->setContentsMargins(0, 0, 0, 0);

    return sideBox;
}

// The program's name at the top of the side column.
void MainWindow::buildTitle()
{
    Image1 = named(new QLabel(this), QStringLiteral("Image1"));
    Image1->setText(QStringLiteral("Velmaris"));
    {
        QFont f = Image1->font();
        f.setPointSizeF(f.pointSizeF() * 2.2);
        f.setBold(true);
        Image1->setFont(f);
        QPalette p = Image1->palette();
        p.setColor(QPalette::WindowText, QColor(255, 235, 255));
        Image1->setPalette(p);
    }
}

void MainWindow::buildCommands()
{
    auto button = [&](const QString& name, const QString& text) {
        auto* b = named(new QPushButton(text, this), name);
        b->setMinimumHeight(30);
        return b;
    };
    calculatrice = button(QStringLiteral("calculatrice"), QStringLiteral("Calculatrice"));
    imprimer = button(QStringLiteral("imprimer"), QStringLiteral("Imprimer"));
    pdf = button(QStringLiteral("enregistrerpdf"), QStringLiteral("Enregistrer en PDF…"));
    pdf->setToolTip(QStringLiteral("Enregistrer le tableau imprimable dans un fichier PDF"));
    Command2 = button(QStringLiteral("Command2"), QStringLiteral("&Copier"));
    Command1 = button(QStringLiteral("Command1"), QStringLiteral("Mise à jour"));
    Command1->setToolTip(QStringLiteral("Mise à jour des indices"));
    saisirindice = button(QStringLiteral("saisirindice"), QStringLiteral("Saisir un indice…"));
    saisirindice->setToolTip(QStringLiteral("Ajouter à la main un indice que l’Insee vient de "
                                            "publier"));
    baux = button(QStringLiteral("baux"), QStringLiteral("Baux"));
    baux->setToolTip(QStringLiteral("Registre des baux"));
    arret = button(QStringLiteral("arret"), QStringLiteral("Quitter"));
    connect(calculatrice, &QPushButton::clicked, this, &MainWindow::calculatorClicked);
    connect(imprimer, &QPushButton::clicked, this, &MainWindow::printReport);
    connect(pdf, &QPushButton::clicked, this, &MainWindow::saveReportPdf);
    connect(Command2, &QPushButton::clicked, this, &MainWindow::copyTable);
    connect(Command1, &QPushButton::clicked, this, &MainWindow::showUpdateDialog);
    connect(saisirindice, &QPushButton::clicked, this, [this] { enterIndex(); });
    connect(baux, &QPushButton::clicked, this, &MainWindow::showRegister);
    connect(arret, &QPushButton::clicked, this, &QWidget::close);
}

} // namespace velmaris
