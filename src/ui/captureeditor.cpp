#include "captureeditor.h"

#include "capturecanvas.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/screenparts.h"
#include "ui/widgets/segmentedpicker.h"
#include "ui/widgets/style.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QUndoStack>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace Sizes = Style::Metrics::CaptureEditor;

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

const QList<QPair<QString, QString>> ToolOptions {
    { u"mask"_s, u"■ Masquer"_s },
    { u"pixelate"_s, u"▦ Flouter"_s },
    { u"frame"_s, u"▢ Encadrer"_s },
    { u"arrow"_s, u"➜ Flèche"_s },
};

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
    : Sheet(Style::CaptureEditor::SheetSize, parent)
    , m_original(image)
    , m_edited(image)
    , m_stack(new QUndoStack(this))
{
    setWindowTitle(u"Modifier la capture"_s);
    QVBoxLayout *outer = ScreenParts::bareColumn(this);
    outer->setContentsMargins(
        Sizes::SidePadding, Sizes::VerticalPadding, Sizes::SidePadding, Sizes::VerticalPadding);
    outer->setSpacing(Sizes::Spacing);
    outer->addLayout(ScreenParts::titles(u"Modifier la capture"_s,
        u"Masquez ce qui ne doit pas quitter votre poste, signalez ce qui compte"_s, this));

    auto *tools = new QHBoxLayout;
    m_tools = new SegmentedPicker(ToolOptions, this);
    m_tools->setAccessibleName(u"Outil"_s);
    m_undo = new QPushButton(u"↶ Défaire"_s, this);
    m_redo = new QPushButton(u"↷ Refaire"_s, this);
    for (QPushButton *button : { m_undo, m_redo }) {
        Style::setRole(button, "plain");
        button->setCursor(Qt::PointingHandCursor);
        button->setEnabled(false);
    }
    m_undo->setToolTip(u"Annuler la dernière modification (Ctrl+Z)"_s);
    m_redo->setToolTip(u"Rétablir la modification annulée (Ctrl+Maj+Z)"_s);
    tools->addWidget(m_tools, 1);
    tools->addSpacing(Sizes::ToolGap);
    tools->addWidget(m_undo);
    tools->addWidget(m_redo);
    outer->addLayout(tools);

    m_canvas = new CaptureCanvas(this);
    m_canvas->setImage(m_edited);
    outer->addWidget(m_canvas, 1);

    auto *actions = new QHBoxLayout;
    actions->setSpacing(Style::Metrics::Common::ButtonRowSpacing);
    auto *cancel = new QPushButton(u"Annuler"_s, this);
    Style::setRole(cancel, "secondary");
    cancel->setCursor(Qt::PointingHandCursor);
    m_done = new GradientButton(u"Terminé"_s, this);
    actions->addStretch(1);
    actions->addWidget(cancel, 1);
    actions->addWidget(m_done, 1);
    outer->addLayout(actions);

    connect(m_tools, &SegmentedPicker::valueChanged, this,
        [this](const QString &value) { m_canvas->setTool(toolFor(value)); });
    connect(m_canvas, &CaptureCanvas::edited, this,
        [this](const CaptureEdit &edit) { m_stack->push(new EditCommand(this, edit)); });
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
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_done, &GradientButton::clicked, this, [this] {
        Q_EMIT applied(m_edited);
        dismiss();
    });
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
