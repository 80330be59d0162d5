#pragma once

#include <QSize>

// The sizes of the look that are not one screen's own, in pixels at a device
// pixel ratio of 1: the type scale, the values several screens share and the
// widget kit's parts. Each screen keeps its own paddings, spacings, radii and
// symbol sides in its source file. A value two screens use for the same
// purpose has one name, in Common.
// Font sizes are pixel sizes; a symbol's side is the square it is drawn in.

// The text sizes of every screen, smallest first.
namespace Style::TextSize {
inline constexpr int Footnote = 11; // hints, a closed ticket's line
inline constexpr int Caption = 12; // chips, dates, a tile's label
inline constexpr int Body = 13;
inline constexpr int Callout = 14; // quiet buttons, subtitles
inline constexpr int Headline = 15; // main buttons, a tile's value
inline constexpr int Lead = 16; // messages, larger buttons
inline constexpr int CardTitle = 17;
inline constexpr int SectionTitle = 20;
inline constexpr int Title = 24; // a sheet's or a screen's title
} // namespace Style::TextSize

namespace Style::Metrics {

// Parts every screen shares.
namespace Common {
inline constexpr int SheetPadding = 24; // around a sheet's header and content
inline constexpr int TitleToSubtitle = 4;
inline constexpr int LabelToField = 8;
inline constexpr int PanelRadius = 12; // the faint rounded boxes of the forms
inline constexpr int ButtonRowSpacing = 12; // between a form's last buttons
inline constexpr int MainButtonHeight = 48;
inline constexpr int SmallSpinner = 16; // beside a field or a line of text
inline constexpr int Spinner = 20;
inline constexpr int LargeSpinner = 32; // alone on a page
inline constexpr int RevealMargin = 8; // below a field scrolled into view
} // namespace Common

// The widget kit: sizes its headers (default looks) or several parts read.
namespace IconButton {
inline constexpr int Frame = 40;
inline constexpr int Symbol = 20;
inline constexpr int Radius = 10;
// The sheets' grey close button.
inline constexpr int CloseFrame = 28;
inline constexpr int CloseSymbol = 24;
inline constexpr int CloseRadius = 14;
} // namespace IconButton

namespace GradientButton {
inline constexpr int TextSize = Style::TextSize::Headline;
inline constexpr int Radius = 12;
inline constexpr int Padding = 24; // left and right of the words
inline constexpr int SymbolGap = 8; // between the symbol (or spinner) and the words
inline constexpr int Symbol = 16;
inline constexpr int Spinner = 18; // in place of the words
inline constexpr int FocusRingWidth = 2;
} // namespace GradientButton

namespace NoticeBox {
inline constexpr int Padding = 12;
inline constexpr int Spacing = 8;
inline constexpr int Symbol = 16;
inline constexpr int Radius = 10;
inline constexpr int TextSize = Style::TextSize::Body;
} // namespace NoticeBox

namespace Badge {
inline constexpr int HorizontalMargin = 10;
inline constexpr int VerticalMargin = 4;
inline constexpr int Radius = 8;
inline constexpr int DotGap = 6;
} // namespace Badge

} // namespace Style::Metrics
