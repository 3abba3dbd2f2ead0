#include "mainwindow.h"

#include "applocale.h"
#include "credits.h"
#include "gridline.h"
#include "indexfile.h"
#include "maj.h"
#include "messages.h"
#include "programs.h"
#include "registersession.h"
#include "registerwindow.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

namespace velmaris {

namespace {

const QColor kReferenceColour(128, 255, 255); // light cyan
const QColor kPlainColour(255, 255, 255);

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

void setBold(QLabel* label, bool bold)
{
    if (label->font().bold() == bold)
        return;
    QFont font = label->font();
    font.setBold(bold);
    label->setFont(font);
}

} // namespace

MainWindow::MainWindow(Maj& maj, const QString& commandLineFolder, const QString& programFolder,
                       QWidget* parent)
    : QWidget(parent)
    , m_maj(maj)
    , m_locale(appLocale())
{
    setObjectName(QStringLiteral("Velmaris"));
    setWindowTitle(QStringLiteral("Velmaris — Révision des loyers"));
    m_table.filePath = resolveIndexPath(commandLineFolder, programFolder);
    buildControls();
    setupUpdate();
    // Closing this window ends the program, even with the update dialog open.
    m_maj.setAttribute(Qt::WA_QuitOnClose, false);
}

MainWindow::~MainWindow()
{
    releaseUpdateDialog();
    // The register window goes before a session of this window's own.
    delete m_register;
}

void MainWindow::buildControls()
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
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(1);
    grid->setContentsMargins(10, 8, 6, 8);

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
    const int columnWidths[] = {80, 60, 90, 90, 100, 110};
    for (int c = 0; c < 6; ++c)
        grid->setColumnMinimumWidth(c, columnWidths[c]);

    const int numberWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000,0000")) + 8;
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
        loyer[i]->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0 000 000,00"))
                                  + 16);
        loyer[i]->setAutoFillBackground(true);
        loyer[i]->installEventFilter(this);

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

    // Right-hand side: how to use it, the lease date and the commands.
    auto* side = new QVBoxLayout;
    side->setSpacing(8);
    auto sideText = [&](const QString& name, const QString& text) {
        auto* label = named(new QLabel(text, this), name);
        label->setWordWrap(true);
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        label->setPalette(p);
        return label;
    };
    Label6 = sideText(
        QStringLiteral("Label6"),
        QStringLiteral("Saisissez le loyer de référence en face de l'indice de référence"));
    QFont strong = Label6->font();
    strong.setBold(true);
    Label6->setFont(strong);
    Label7 =
        sideText(QStringLiteral("Label7"),
                 QStringLiteral("Pour rappel: si le bail ne précise pas d'indice de référence, "
                                "l'indice à considérer est le dernier publié au Journal Officiel "
                                "à la date du bail. Pour le calculer automatiquement, entrez "
                                "ci-dessous la date du bail :"));
    datedubail = named(new QLineEdit(this), QStringLiteral("datedubail"));
    datedubail->setPlaceholderText(QStringLiteral("jj/mm/aaaa"));
    datedubail->installEventFilter(this);
    reeval = named(new QCheckBox(QStringLiteral("Loyer \"réévalué\" (si case non cochée, seuls les "
                                                "loyers \"augmentés\" sont calculés)"),
                                 this),
                   QStringLiteral("reeval"));
    {
        QPalette p = reeval->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        reeval->setPalette(p);
    }
    // A check box caption does not wrap by itself; keep it inside the side column.
    reeval->setText(QStringLiteral("Loyer \"réévalué\" (si case non cochée,\n"
                                   "seuls les loyers \"augmentés\" sont calculés)"));

    auto button = [&](const QString& name, const QString& text) {
        auto* b = named(new QPushButton(text, this), name);
        b->setMinimumHeight(30);
        return b;
    };
    calculatrice = button(QStringLiteral("calculatrice"), QStringLiteral("Calculatrice"));
    imprimer = button(QStringLiteral("imprimer"), QStringLiteral("Imprimer"));
    Command2 = button(QStringLiteral("Command2"), QStringLiteral("Copier"));
    Command1 = button(QStringLiteral("Command1"), QStringLiteral("Mise à jour"));
    Command1->setToolTip(QStringLiteral("Mise à jour des indices"));
    saisirindice = button(QStringLiteral("saisirindice"), QStringLiteral("Saisir un indice…"));
    saisirindice->setToolTip(QStringLiteral("Ajouter à la main un indice que l'Insee vient de "
                                            "publier"));
    baux = button(QStringLiteral("baux"), QStringLiteral("Baux"));
    baux->setToolTip(QStringLiteral("Registre des baux"));
    arret = button(QStringLiteral("arret"), QStringLiteral("Quitter"));
    connect(calculatrice, &QPushButton::clicked, this, &MainWindow::calculatorClicked);
    connect(imprimer, &QPushButton::clicked, this, &MainWindow::printReport);
    connect(Command2, &QPushButton::clicked, this, &MainWindow::copyTable);
    connect(Command1, &QPushButton::clicked, this, &MainWindow::showUpdateDialog);
    connect(saisirindice, &QPushButton::clicked, this, [this] { enterIndex(); });
    connect(baux, &QPushButton::clicked, this, &MainWindow::showRegister);
    connect(arret, &QPushButton::clicked, this, &QWidget::close);

    Image1 = named(new QLabel(this), QStringLiteral("Image1"));
    Image1->setText(QStringLiteral("Velmaris"));
    {
        QFont f = Image1->font();
        f.setPointSizeF(f.pointSizeF() * 2.2);
        f.setBold(true);
        f.setItalic(true);
        Image1->setFont(f);
        QPalette p = Image1->palette();
        p.setColor(QPalette::WindowText, QColor(255, 235, 255));
        Image1->setPalette(p);
    }
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
    for (QPushButton* b : {calculatrice, imprimer, Command2, Command1, saisirindice, baux, arret})
        side->addWidget(b);
    side->addSpacing(6);
    side->addWidget(Label1[1], 0, Qt::AlignHCenter);
    side->addWidget(nover, 0, Qt::AlignHCenter);

    auto* sideBox = new QWidget(this);
    sideBox->setLayout(side);
    sideBox->setMinimumWidth(reeval->sizeHint().width());
    sideBox->setMaximumWidth(330);
    side->setContentsMargins(0, 0, 0, 0);

    // Everything sits in a scroll area over the gradient: on a small screen, or
    // with large fonts, nothing is cut off; it scrolls.
    auto* contents = named(new QWidget, QStringLiteral("contenu"));
    auto* top = new QHBoxLayout(contents);
    top->setContentsMargins(14, 14, 14, 14);
    top->setSpacing(14);
    top->addWidget(panel, 1, Qt::AlignTop);
    top->addWidget(sideBox, 1);
    m_scroll = named(new QScrollArea(this), QStringLiteral("defilement"));
    m_scroll->setFrameShape(QFrame::NoFrame);
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
    for (QWidget* next : std::initializer_list<QWidget*>{reeval, calculatrice, imprimer, Command2,
                                                         Command1, saisirindice, baux, arret}) {
        setTabOrder(previous, next);
        previous = next;
    }
    connect(reeval, &QCheckBox::toggled, this, &MainWindow::reevalToggled);
    buildShortcuts();

    fitToContents();
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
    QSize wanted = contents->sizeHint().expandedTo(QSize(1000, 0));
    // The wrapped texts of the side column are as tall as that width makes them.
    if (contents->hasHeightForWidth())
        wanted.setHeight(std::max(wanted.height(), contents->heightForWidth(wanted.width())));
    const QScreen* s = screen();
    resize(s ? wanted.boundedTo(s->availableGeometry().size()) : wanted);
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

void MainWindow::calculatorClicked()
{
    switch (startCalculator()) {
    case CalculatorStart::Started:
    case CalculatorStart::AlreadyRunning:
        return;
    case CalculatorStart::NoneInstalled:
        MessageBox::critical(this, QStringLiteral("Calculatrice"),
                             QStringLiteral("Aucune calculatrice n'est installée. Installez-en une "
                                            "(par exemple gnome-calculator, kcalc ou galculator) "
                                            "pour l'ouvrir d'ici."));
        return;
    case CalculatorStart::Failed:
        MessageBox::critical(this, QStringLiteral("Calculatrice"),
                             QStringLiteral("La calculatrice n'a pas pu être lancée."));
        return;
    }
}

void MainWindow::paintEvent(QPaintEvent*)
{
    // Purple to magenta, in 256 bands from top to bottom.
    QPainter painter(this);
    const double bandHeight = height() / 256.0;
    for (int i = 0; i < 256; ++i) {
        const int c = std::min(255, qRound(i / 2.0 + 128));
        const double y = i * bandHeight;
        painter.fillRect(QRectF(0, y, width(), bandHeight + 1), QColor(c, 0, c));
    }
}

void MainWindow::load()
{
    loadTable();
    // The lease date comes first; no rent box is the reference until a rent is typed.
    datedubail->setFocus();
    m_view.referenceRow = -1;
    autoUpdateCheck();
    // The window opens fitted to what the table and the lines under it hold.
    if (!isVisible())
        fitToContents();
}

void MainWindow::resetScrollBar()
{
    const QSignalBlocker block(barreinsee);
    barreinsee->setRange(0, std::max(0, m_table.scrollMaximum()));
    barreinsee->setValue(m_view.topRow);
}

void MainWindow::fillGrid()
{
    for (int i = 0; i < kGridLines; ++i) {
        const GridLine g = gridLine(m_table, m_view, i, m_locale);
        textind[i]->setText(g.label);
        indice[i]->setText(g.icc);
        setBold(moyenne[i], g.averageBold);
        moyenne[i]->setText(g.average);
        setBold(irl[i], g.irlBold);
        irl[i]->setText(g.irl);
        Datejo[i]->setText(g.date);
        QPalette p = loyer[i]->palette();
        p.setColor(QPalette::Base, g.reference ? kReferenceColour : kPlainColour);
        loyer[i]->setPalette(p);
        loyer[i]->setText(rentText(m_schedule, g.quarter, m_locale));
    }
}

void MainWindow::scrollChanged(int value)
{
    m_view.topRow = value;
    fillGrid();
}

void MainWindow::activated()
{
    // An index file edited outside the program is picked up on return.
    if (QFileInfo(m_table.filePath).lastModified() != m_table.fileDate) {
        loadTable();
    } else {
        fillGrid();
        showStaleness(); // the window may have stayed open past a release
    }
}

void MainWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        activated();
}

void MainWindow::showCredits()
{
    FrmQUERVO credits(this);
    credits.exec();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();

    if (watched == Label1[0] || watched == Label1[1]) {
        if (type == QEvent::MouseButtonRelease) {
            showCredits();
            return true;
        }
        return false;
    }

    if (type == QEvent::Wheel && watched == m_panel) {
        QCoreApplication::sendEvent(barreinsee, event);
        return true;
    }

    // Focus that leaves for another window (a message box, another program)
    // is not the user leaving the box.
    auto leavesForOtherWindow = [](QEvent* e) {
        const auto reason = static_cast<QFocusEvent*>(e)->reason();
        return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
    };
    auto isEnter = [](QEvent* e) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        return key == Qt::Key_Return || key == Qt::Key_Enter;
    };

    if (watched == datedubail) {
        if (type == QEvent::KeyPress && isEnter(event)) {
            datedubailEnter();
            return true;
        }
        if (type == QEvent::FocusIn)
            datedubailGotFocus();
        if (type == QEvent::FocusOut && !leavesForOtherWindow(event) && !m_loading)
            datedubailLostFocus();
        return false;
    }

    for (int i = 0; i < kGridLines; ++i) {
        if (watched != loyer[i])
            continue;
        switch (type) {
        case QEvent::KeyPress:
            if (isEnter(event)) {
                loyerEnter(i, false);
                return true;
            }
            break;
        case QEvent::MouseButtonPress:
            loyerClick(i);
            break;
        case QEvent::FocusIn:
            loyerGotFocus(i);
            break;
        case QEvent::FocusOut:
            if (!leavesForOtherWindow(event) && !m_loading)
                loyerLostFocus(i);
            break;
        default:
            break;
        }
        return false;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace velmaris
