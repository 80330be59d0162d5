#include "captureeditor.h"

#include "capturecanvas.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/screenparts.h"
#include "ui/widgets/segmentedpicker.h"
#include "ui/widgets/style.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QUndoStack>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
// This screen's own sizes, in pixels at a device pixel ratio of 1.
namespace Sizes {
constexpr QSize SheetSize { 900, 700 };
constexpr int SidePadding = 28;
constexpr int VerticalPadding = 24;
constexpr int Spacing = 14;
constexpr int ToolGap = 12; // between the tools and the colour picker
} // namespace Sizes
} // namespace

namespace {

// One change on the stack; undoing it replays the others on the original.
class EditCommand : public QUndoCommand
{
public:
    EditCommand(CaptureEditor *editor, const CaptureEdit &edit)
        : m_editor(editor)
        , m_edit(edit)
    { }
    void redo() override { m_editor->pushEdit(m_edit); }
    void undo() override { m_editor->popEdit(); }

private:
    CaptureEditor *m_editor;
    CaptureEdit m_edit;
};

QList<QPair<QString, QString>> toolOptions()
{
    return {
        { u"mask"_s, QCoreApplication::translate("CaptureEditor", "■ Masquer") },
        { u"pixelate"_s, QCoreApplication::translate("CaptureEditor", "▦ Flouter") },
        { u"frame"_s, QCoreApplication::translate("CaptureEditor", "▢ Encadrer") },
        { u"arrow"_s, QCoreApplication::translate("CaptureEditor", "➜ Flèche") },
    };
}

CaptureEdit::Tool toolFor(const QString &value)
{
    if (value == u"pixelate")
        return CaptureEdit::Tool::Pixelate;
    if (value == u"frame")
        return CaptureEdit::Tool::Frame;
    if (value == u"arrow")
        return CaptureEdit::Tool::Arrow;
    return CaptureEdit::Tool::Mask;
}

} // namespace

CaptureEditor::CaptureEditor(const QImage &image, QWidget *parent)
    : Sheet(Sizes::SheetSize, parent)
    , m_original(image)
    , m_edited(image)
    , m_stack(new QUndoStack(this))
{
    setWindowTitle(tr("Modifier la capture"));
    QVBoxLayout *outer = ScreenParts::bareColumn(this);
    outer->setContentsMargins(
        Sizes::SidePadding, Sizes::VerticalPadding, Sizes::SidePadding, Sizes::VerticalPadding);
    outer->setSpacing(Sizes::Spacing);
    outer->addLayout(ScreenParts::titles(tr("Modifier la capture"),
        tr("Masquez ce qui ne doit pas quitter votre poste, signalez ce qui compte"), this));
    outer->addLayout(toolRow());
    m_canvas = new CaptureCanvas(this);
    m_canvas->setImage(m_edited);
    outer->addWidget(m_canvas, 1);
    outer->addLayout(actionRow());

    connect(m_tools, &SegmentedPicker::valueChanged, this,
        [this](const QString &value) { m_canvas->setTool(toolFor(value)); });
    connect(m_canvas, &CaptureCanvas::edited, this,
        [this](const CaptureEdit &edit) { m_stack->push(new EditCommand(this, edit)); });
    keepHistory();
}

QLayout *CaptureEditor::toolRow()
{
    auto *tools = new QHBoxLayout;
    m_tools = new SegmentedPicker(toolOptions(), this);
    m_tools->setAccessibleName(tr("Outil"));
    m_undo = new QPushButton(tr("↶ Défaire"), this);
    m_redo = new QPushButton(tr("↷ Refaire"), this);
    for (QPushButton *button : { m_undo, m_redo }) {
        Style::setRole(button, "plain");
        button->setCursor(Qt::PointingHandCursor);
        button->setEnabled(false);
    }
    m_undo->setToolTip(tr("Annuler la dernière modification (Ctrl+Z)"));
    m_redo->setToolTip(tr("Rétablir la modification annulée (Ctrl+Maj+Z)"));
    tools->addWidget(m_tools, 1);
    tools->addSpacing(Sizes::ToolGap);
    tools->addWidget(m_undo);
    tools->addWidget(m_redo);
    return tools;
}

QLayout *CaptureEditor::actionRow()
{
    auto *actions = new QHBoxLayout;
    actions->setSpacing(Style::Metrics::Common::ButtonRowSpacing);
    auto *cancel = new QPushButton(tr("Annuler"), this);
    Style::setRole(cancel, "secondary");
    cancel->setCursor(Qt::PointingHandCursor);
    auto *done = new GradientButton(tr("Terminé"), this);
    actions->addStretch(1);
    actions->addWidget(cancel, 1);
    actions->addWidget(done, 1);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(done, &GradientButton::clicked, this, [this] {
        Q_EMIT applied(m_edited);
        dismiss();
    });
    return actions;
}

// Every change can be undone and redone, with the buttons or the keys.
void CaptureEditor::keepHistory()
{
    connect(m_undo, &QPushButton::clicked, m_stack, &QUndoStack::undo);
    connect(m_redo, &QPushButton::clicked, m_stack, &QUndoStack::redo);
    connect(m_stack, &QUndoStack::canUndoChanged, m_undo, &QPushButton::setEnabled);
    connect(m_stack, &QUndoStack::canRedoChanged, m_redo, &QPushButton::setEnabled);
    for (const auto &[keys, slot] : { std::pair { QKeySequence::Undo, &QUndoStack::undo },
             std::pair { QKeySequence::Redo, &QUndoStack::redo } }) {
        auto *shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, m_stack, slot);
    }
}

void CaptureEditor::pushEdit(const CaptureEdit &edit)
{
    m_edits.append(edit);
    render();
}

void CaptureEditor::popEdit()
{
    if (!m_edits.isEmpty())
        m_edits.removeLast();
    render();
}

void CaptureEditor::render()
{
    // Replayed from the original each time, so an undo restores it exactly.
    QImage image = m_original;
    for (const CaptureEdit &edit : std::as_const(m_edits))
        edit.applyTo(image);
    m_edited = image;
    m_canvas->setImage(m_edited);
}
