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

// The widgets kit.
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

namespace FieldLabel {
inline constexpr int Spacing = 6; // symbol, words and "*"
inline constexpr int Symbol = 15;
} // namespace FieldLabel

namespace SegmentedPicker {
inline constexpr int Inset = 3; // around and between the segments
inline constexpr int Radius = 9;
} // namespace SegmentedPicker

namespace ToggleSwitch {
inline constexpr int TextSize = Style::TextSize::Caption;
inline constexpr int TrackWidth = 36;
inline constexpr int TrackHeight = 20;
inline constexpr int Gap = 8; // between the words and the track
inline constexpr int KnobInset = 2;
} // namespace ToggleSwitch

namespace Badge {
inline constexpr int HorizontalMargin = 10;
inline constexpr int VerticalMargin = 4;
inline constexpr int Radius = 8;
inline constexpr int DotGap = 6;
} // namespace Badge

// The back bar above a pushed screen.
namespace BackBar {
inline constexpr int SidePadding = 16;
inline constexpr int TopPadding = 12;
inline constexpr int BottomPadding = 4;
inline constexpr int Symbol = 16;
inline constexpr int TextSize = Style::TextSize::Callout;
inline constexpr int ButtonVerticalPadding = 6;
inline constexpr int ButtonSidePadding = 8;
} // namespace BackBar

// The administrator's screens.
namespace AdminLogin {
inline constexpr int SidePadding = 16;
inline constexpr int VerticalPadding = 12;
inline constexpr int QuietButtonVerticalPadding = 4;
inline constexpr int QuietButtonSidePadding = 8;
inline constexpr int FaceSpacing = 24;
inline constexpr int Symbol = 60;
inline constexpr int PasswordBlockWidth = 300;
inline constexpr QSize LoginButton { 300, Common::MainButtonHeight };
inline constexpr QSize LogoutButton { 200, Common::MainButtonHeight };
inline constexpr int LogoutRadius = 12;
} // namespace AdminLogin

namespace TicketList {
inline constexpr int LoadingSpinner = 30;
inline constexpr int PageSpacing = 16; // loading and empty pages
inline constexpr int ErrorSpacing = 20;
inline constexpr int ErrorSymbol = 60;
inline constexpr int ErrorTextSidePadding = 40;
inline constexpr int RetrySymbol = 16;
inline constexpr int RetryRadius = 10;
inline constexpr int RetryVerticalPadding = 12;
inline constexpr int RetrySidePadding = 24;
inline constexpr int HeaderBottomPadding = 20;
inline constexpr int HeaderSpacing = 16;
inline constexpr int TitleSize = 36;
inline constexpr int RefreshFrame = 44;
inline constexpr int RefreshSymbol = 20;
inline constexpr int RefreshRadius = 10;
inline constexpr int EmptySymbol = 60;
} // namespace TicketList

namespace TicketDetail {
inline constexpr int SectionPadding = 24;
inline constexpr int SectionSpacing = 14;
inline constexpr int SectionGap = 16;
inline constexpr int SectionTitleSpacing = 10;
inline constexpr int SectionSymbol = 15;
inline constexpr int BadgeSpacing = 8;
inline constexpr int TitleRowSpacing = 12;
inline constexpr int TitleSymbol = 28;
inline constexpr int TitleSize = 32;
inline constexpr int DateRowSpacing = 8;
inline constexpr int DateSymbol = 16;
inline constexpr int InnerPadding = 16;
inline constexpr int InnerSpacing = 12;
inline constexpr int EditorHeight = 100;
inline constexpr int CloseButtonHeight = 44;
inline constexpr int CloseButtonRadius = 10;
inline constexpr int BannerPadding = 20;
inline constexpr int BannerSpacing = 10;
inline constexpr int BannerSymbol = 15;
inline constexpr QSize Thumbnail { 240, 180 };
inline constexpr int ThumbnailRadius = 10;
inline constexpr int ThumbnailShadowRoom = 20; // added to the picture's width and height
inline constexpr int ThumbnailShadowOffset = 5;
inline constexpr qreal ThumbnailShadowBlur = 10;
inline constexpr int ThumbnailFocusRingWidth = 2;
inline constexpr int InfoGridSpacing = 12;
} // namespace TicketDetail

// The administrator's grid of tickets: the section headers and the cards.
namespace TicketGrid {
inline constexpr int Spacing = 20; // between cards, both ways
inline constexpr int CardHeight = 276;
inline constexpr int HeaderHeight = 52; // the section's circle and the extra gap between sections
inline constexpr int CardRadius = 20;
inline constexpr int CardPadding = 18;
inline constexpr int PaintMargin = 26; // around a card, for its shadow and its hovered scale
inline constexpr int ScrollStep = 24; // one wheel or arrow step
// A section's header.
inline constexpr int SectionInset = 4; // at both ends of the row
inline constexpr int SectionCircle = 40;
inline constexpr int SectionSymbolInset = 11;
inline constexpr int SectionTitleGap = 12;
inline constexpr int SectionTitleSize = Style::TextSize::Title;
inline constexpr int CountTextSize = Style::TextSize::Headline;
inline constexpr int CountSidePadding = 12;
inline constexpr int CountVerticalPadding = 6;
inline constexpr int CountRadius = 8;
// A card.
inline constexpr int FocusRingGap = 3;
inline constexpr int FocusRingWidth = 2;
inline constexpr int BadgeRowBottom = 12;
inline constexpr int TitleSize = Style::TextSize::CardTitle;
inline constexpr int TitleSymbol = 15;
inline constexpr int TitleSymbolGap = 8;
inline constexpr int DividerGap = 14; // above and below the divider
inline constexpr int InfoTextSize = Style::TextSize::Callout;
inline constexpr int CompanyTextSize = Style::TextSize::Body;
inline constexpr int InfoRowGap = 6;
inline constexpr int InfoSymbol = 14;
inline constexpr int InfoSymbolGap = 8;
inline constexpr int ButtonHeight = 40;
inline constexpr int ButtonRadius = 10;
inline constexpr int ButtonTextSize = Style::TextSize::Headline;
inline constexpr int ButtonSymbol = 15;
inline constexpr int ButtonSymbolGap = 6;
// At rest and under the pointer.
inline constexpr int RestShadowBlur = 8, HoverShadowBlur = 16;
inline constexpr int RestShadowOffset = 4, HoverShadowOffset = 8;
inline constexpr int RestOutlineWidth = 1, HoverOutlineWidth = 2;
} // namespace TicketGrid

// One information tile of the ticket detail.
namespace InfoTile {
inline constexpr int Padding = 12;
inline constexpr int Circle = 36;
inline constexpr int CircleSymbolInset = 10;
inline constexpr int Spacing = 12;
inline constexpr int LineSpacing = 2;
inline constexpr int Radius = 10;
} // namespace InfoTile

namespace FullImage {
inline constexpr int Margin = 24;
inline constexpr int CloseSide = 32;
inline constexpr int CloseToImage = 20; // extra room under the close button
} // namespace FullImage

namespace Companies {
inline constexpr int HeaderSpacing = 8;
inline constexpr int NewButtonTextSize = Style::TextSize::Callout;
inline constexpr int NewButtonHeight = 36;
inline constexpr int NewButtonRadius = 10;
inline constexpr int NewButtonPadding = 16;
inline constexpr int NewButtonSymbolGap = 6;
inline constexpr int LoadingPadding = 40;
inline constexpr int RowSpacing = 12;
inline constexpr int EmptyPadding = 60;
inline constexpr int EmptySpacing = 16;
inline constexpr int EmptySymbol = 48;
} // namespace Companies

namespace CompanyRow {
inline constexpr int Padding = 16;
inline constexpr int Circle = 50;
inline constexpr int CircleSymbolInset = 15;
inline constexpr int Spacing = 16;
inline constexpr int NameToCode = 4;
inline constexpr int CodeRowSpacing = 8;
} // namespace CompanyRow

// The settings' button to the company management.
namespace CompaniesButton {
inline constexpr int Symbol = 14;
inline constexpr int Radius = 8;
inline constexpr int VerticalPadding = 6;
inline constexpr int SidePadding = 12;
} // namespace CompaniesButton

namespace AddCompany {
inline constexpr int ItemSpacing = 20;
} // namespace AddCompany

} // namespace Style::Metrics
