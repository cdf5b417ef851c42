#include "filterdialogs/fmFilterControlDialog.h"

#include "shell/Application.h"
#include "platform/Exception.h"
#include "platformui/Fonts.h"
#include "widgets/FlatButton.h"
#include "platformui/PlatformServices.h"
#include "platformui/SystemColors.h"
#include "criteria/cxDataFilterCriteria.h"
#include "criteria/FilterStream.h"

#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>

#include <memory>

namespace {

const QString &dialogTitle()
{
    static const QString title = QStringLiteral("过滤生成器");
    return title;
}

const QString &fileFilter()
{
    static const QString filter = QStringLiteral("过滤条件文件 (*.flt)");
    return filter;
}

// Where the dialog stood when it last closed in this run; unset (-1) until then.
struct TDialogPlace
{
    int left = -1;
    int top = -1;
    int width = -1;
    int height = -1;
};
TDialogPlace s_place;

void writeWholeFile(const QString &path, const std::string &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !file.commit())
        throw Exception(file.errorString().toStdString() + ": " + path.toStdString());
}

} // namespace

TfmFilterControlDialog::TfmFilterControlDialog() : m_fileName(QStringLiteral("未命名.flt"))
{
    setFont(formFont(MsSansSerif, 11));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, toQColor(clBtnFace));
    setPalette(colours);
    setAutoFillBackground(true);
    setMinimumSize(MinimumSize);
    resize(DefaultSize);

    FilterControl = new TcxFilterControl(this);
    pnlBottom = new QWidget(this);
    btOpen = new TFlatButton(QStringLiteral("打开(&O)..."), pnlBottom);
    btOpen->setGeometry(6, 8, 74, 23);
    btSave = new TFlatButton(QStringLiteral("另存为(&S)..."), pnlBottom);
    btSave->setGeometry(85, 8, 76, 23);
    pnlBottomRight = new QWidget(pnlBottom);
    btOk = new TFlatButton(QStringLiteral("确定"), pnlBottomRight);
    btOk->setGeometry(7, 8, 74, 23);
    btCancel = new TFlatButton(QStringLiteral("取消"), pnlBottomRight);
    btCancel->setGeometry(88, 8, 75, 23);
    btApply = new TFlatButton(QStringLiteral("应用(&A)"), pnlBottomRight);
    btApply->setGeometry(167, 8, 75, 23);
    setTabOrder(FilterControl, btOpen);
    setTabOrder(btOpen, btSave);
    setTabOrder(btSave, btOk);
    setTabOrder(btOk, btCancel);
    setTabOrder(btCancel, btApply);

    connect(btOpen, &QPushButton::clicked, this, [this] { guarded([this] { btOpenClick(); }); });
    connect(btSave, &QPushButton::clicked, this, [this] { guarded([this] { btSaveClick(); }); });
    connect(btOk, &QPushButton::clicked, this, [this] { guarded([this] { btOkClick(); }); });
    connect(btCancel, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
    connect(btApply, &QPushButton::clicked, this, [this] { guarded([this] { btApplyClick(); }); });
    // The form sees Esc before its controls; the in-place editor claims its own Esc first.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] { SetModalResult(mrCancel); });

    updateCaption();
    FilterControl->setFocus();
}

TfmFilterControlDialog::~TfmFilterControlDialog() = default;

void TfmFilterControlDialog::setLink(const TcxFilterControlLink &link)
{
    m_link = link;
    FilterControl->setColumns(m_link.columns);
    FilterControl->OnApplyFilter = [this] {
        if (m_link.criteria) m_link.criteria->SetActive(true);
        if (m_link.applied) m_link.applied();
    };
    guarded([this] { FilterControl->setLinkedCriteria(m_link.criteria); });
}

void TfmFilterControlDialog::updateCaption()
{
    setWindowTitle(QStringLiteral("%1 - [%2]").arg(dialogTitle(), m_fileName));
}

void TfmFilterControlDialog::resizeEvent(QResizeEvent *event)
{
    TForm::resizeEvent(event);
    constexpr int bottomHeight = 38;
    constexpr int rightWidth = 248;
    pnlBottom->setGeometry(0, height() - bottomHeight, width(), bottomHeight);
    pnlBottomRight->setGeometry(width() - rightWidth, 0, rightWidth, bottomHeight);
    FilterControl->setGeometry(0, 0, width(), height() - bottomHeight);
}

void TfmFilterControlDialog::btOpenClick()
{
    const QString path = platformServices().getOpenFileName(
        this, QStringLiteral("打开过滤条件文件"), fileFilter(), QStringLiteral("flt"));
    if (path.isEmpty()) return;
    // A FIFO or a device chosen in the dialog is refused, not waited on or read forever.
    const std::string bytes = readFilterFile(QFile::encodeName(path).toStdString());
    FilterControl->loadFromStream(bytes);
    m_fileName = QFileInfo(path).fileName();
    updateCaption();
}

void TfmFilterControlDialog::btSaveClick()
{
    // The tree is built first, so that a refused value edit stops before the dialog shows.
    FilterControl->buildCriteria();
    // The save dialog keeps its own name: the default until a save chose another.
    const QString proposed = m_savePath.isEmpty() ? QStringLiteral("未命名.flt") : m_savePath;
    const QString path =
        platformServices().getSaveFileName(this, QStringLiteral("保存当前过滤条件到文件中"),
                                           fileFilter(), QStringLiteral("flt"), proposed);
    if (path.isEmpty()) return;
    writeWholeFile(path, FilterControl->saveToStream());
    m_fileName = QFileInfo(path).fileName();
    m_savePath = path;
    updateCaption();
}

void TfmFilterControlDialog::btApplyClick()
{
    FilterControl->applyFilter();
}

void TfmFilterControlDialog::btOkClick()
{
    FilterControl->applyFilter();
    SetModalResult(mrOk);
}

bool executeFilterBuilder(const TcxFilterControlLink &link)
{
    auto dialog = std::make_unique<TfmFilterControlDialog>();
    if (s_place.width > 0 && s_place.height > 0) dialog->resize(s_place.width, s_place.height);
    if (s_place.left != -1 || s_place.top != -1)
        dialog->move(s_place.left, s_place.top);
    else
        dialog->setCentredWhenShown(true);
    dialog->setLink(link);
    const bool accepted = dialog->ShowModal() == mrOk;
    const QRect frame = dialog->geometry();
    s_place = {dialog->x(), dialog->y(), frame.width(), frame.height()};
    return accepted;
}
