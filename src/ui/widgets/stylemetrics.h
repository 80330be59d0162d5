#pragma once

#include <QSize>

// Every size of the look, in pixels at a device pixel ratio of 1: the type
// scale the screens share, then one namespace per screen or part for its own
// paddings, spacings, radii and symbol sides, named after what they measure.
// A value two screens use for the same purpose has one name, in Common.
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

// The user's screens.
namespace MainWindow {
inline constexpr QSize MinimumSize { 960, 740 };
} // namespace MainWindow

namespace Home {
inline constexpr int ColumnTopPadding = 20;
inline constexpr int ColumnBottomPadding = 12;
inline constexpr int ColumnSpacing = 32;
inline constexpr int HeaderSidePadding = 32;
inline constexpr int HeaderTopPadding = 20;
inline constexpr int HeaderSpacing = 12;
inline constexpr int TitleBlockSpacing = 12;
inline constexpr int AppIcon = 96;
inline constexpr int AppIconShadowBlur = 16;
inline constexpr int AppIconShadowOffset = 8;
inline constexpr int ActionSpacing = 16;
} // namespace Home

// The large action buttons of the home screen.
namespace HomeButton {
inline constexpr QSize Frame { 300, 56 };
inline constexpr int Radius = 16;
inline constexpr int TextSize = Style::TextSize::Headline;
inline constexpr int Symbol = 17;
inline constexpr int SymbolGap = 12;
inline constexpr int RestShadowBlur = 12;
inline constexpr int HoverShadowBlur = 20;
inline constexpr int ShadowOffset = 8;
} // namespace HomeButton

namespace UserCard {
inline constexpr int SidePadding = 24;
inline constexpr int VerticalPadding = 12;
inline constexpr int Spacing = 4;
inline constexpr int DetailSpacing = 6;
} // namespace UserCard

namespace Settings {
inline constexpr int HeaderLeftPadding = 24;
inline constexpr int HeaderTopPadding = 16;
inline constexpr int HeaderRightPadding = 20;
inline constexpr int HeaderBottomPadding = 8;
inline constexpr int HeaderSpacing = 10;
inline constexpr int ControlSpacing = 12;
inline constexpr int ContentTopPadding = 8;
inline constexpr int ContentBottomPadding = 20;
inline constexpr int ItemSpacing = 14;
inline constexpr int SaveTextSize = Style::TextSize::Lead;
} // namespace Settings

namespace CompanyBox {
inline constexpr int Padding = 12;
inline constexpr int Radius = 10;
} // namespace CompanyBox

namespace ConflictBox {
inline constexpr int Padding = 14;
inline constexpr int Spacing = 6;
inline constexpr int Symbol = NoticeBox::Symbol;
} // namespace ConflictBox

namespace Register {
inline constexpr int SidePadding = 40;
inline constexpr int VerticalPadding = 20; // the whole form fits the sheet
inline constexpr int ItemSpacing = 14;
inline constexpr int HeaderSpacing = 8;
inline constexpr int AppIcon = 72;
inline constexpr int RetrySymbol = 14;
} // namespace Register

namespace CreateTicket {
inline constexpr int HeaderLeftPadding = 28;
inline constexpr int HeaderTopPadding = 24;
inline constexpr int HeaderRightPadding = 24;
inline constexpr int HeaderBottomPadding = 12;
inline constexpr int ContentSidePadding = 28;
inline constexpr int ContentTopPadding = 8;
inline constexpr int ContentBottomPadding = 28;
inline constexpr int SectionSpacing = 20;
inline constexpr int DescriptionHeight = 120;
inline constexpr int ButtonSymbol = 18;
} // namespace CreateTicket

namespace IdentityBox {
inline constexpr int SidePadding = 14;
inline constexpr int VerticalPadding = 12;
inline constexpr int Spacing = 12;
inline constexpr int Symbol = 32;
inline constexpr int LineSpacing = 2;
inline constexpr int DetailSpacing = 6;
} // namespace IdentityBox

namespace DraftOffer {
inline constexpr int Spacing = 6;
} // namespace DraftOffer

namespace ImagePreview {
inline constexpr int PreferredWidth = 520;
inline constexpr int MaxHeight = 200;
inline constexpr int Radius = 8;
} // namespace ImagePreview

namespace MyTickets {
inline constexpr int HeaderSpacing = 12;
inline constexpr int RefreshFrame = 36;
inline constexpr int RefreshSymbol = 18;
inline constexpr int RefreshRadius = 9;
inline constexpr int ErrorBottomPadding = 8;
inline constexpr int EmptySymbol = 64;
} // namespace MyTickets

// One ticket of the user's list.
namespace TicketCard {
inline constexpr int SideMargin = 24;
inline constexpr int GapHalf = 8; // half the gap between two cards
inline constexpr int Padding = 16;
inline constexpr int Spacing = 8;
inline constexpr int Radius = 14;
inline constexpr int ChipHeight = 26;
inline constexpr int ChipRadius = 7;
inline constexpr int PriorityDot = 10;
inline constexpr int StatusDot = 8;
inline constexpr int ChipTextSize = Style::TextSize::Caption;
inline constexpr int TitleSize = Style::TextSize::Lead;
inline constexpr int AnswerPadding = 12;
inline constexpr int AnswerRadius = 10;
inline constexpr int ChipGap = 9; // between the priority and the status chip
inline constexpr int DateGap = 8; // between the status chip and the date
inline constexpr int MinTextWidth = 120;
inline constexpr int AnswerTitleGap = 6; // under and beside the answer's symbol
inline constexpr int ClosedSymbolGap = 4;
inline constexpr int ButtonHeight = 22;
inline constexpr int ButtonTextSize = Style::TextSize::Body;
inline constexpr int ButtonHitMargin = 4; // the button reaches a little past its words
inline constexpr int ButtonChevronRoom = 24; // after "Voir plus": the chevron and its gaps
inline constexpr int ChevronGap = 6;
inline constexpr int Chevron = 12;
} // namespace TicketCard

namespace CaptureEditor {
inline constexpr int SidePadding = 28;
inline constexpr int VerticalPadding = 24;
inline constexpr int Spacing = 14;
inline constexpr int ToolGap = 12; // between the tools and the colour picker
} // namespace CaptureEditor

namespace AreaSelector {
inline constexpr int HintTextSize = Style::TextSize::Body;
inline constexpr QSize HintFrame { 720, 36 };
inline constexpr int HintTop = 24;
inline constexpr int HintRadius = 10;
inline constexpr int SelectionPenWidth = 2;
} // namespace AreaSelector

} // namespace Style::Metrics
