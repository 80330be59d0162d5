#pragma once

#include "captureedit.h"
#include "ui/widgets/sheet.h"

#include <QImage>
#include <QList>

class CaptureCanvas;
class QLayout;
class QPushButton;
class QUndoStack;
class SegmentedPicker;

// The sheet over the ticket form in which the user masks, pixelates and
// marks the attached picture before it is sent. Every change can be undone
// and redone; Escape and "Annuler" leave the picture as it was, "Terminé"
// hands on the edited one.
class CaptureEditor : public Sheet
{
    Q_OBJECT

public:
    explicit CaptureEditor(const QImage &image, QWidget *parent = nullptr);

    // The picture with every change not undone burnt in.
    QImage editedImage() const { return m_edited; }

    // Called by the undo stack's commands.
    void pushEdit(const CaptureEdit &edit);
    void popEdit();

Q_SIGNALS:
    // "Terminé": the picture to attach instead of the original.
    void applied(const QImage &image);

private:
    QLayout *toolRow();
    QLayout *actionRow();
    void keepHistory();
    void render();

    QImage m_original;
    QImage m_edited;
    QList<CaptureEdit> m_edits;
    QUndoStack *m_stack;
    CaptureCanvas *m_canvas;
    SegmentedPicker *m_tools;
    QPushButton *m_undo;
    QPushButton *m_redo;
};
