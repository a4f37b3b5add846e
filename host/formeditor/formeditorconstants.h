#pragma once

namespace Host::FormEditor {

// Auxiliary data of a designer node: the colour of the frame the form view
// draws around the node's items (a QColor; none or invalid: no frame).
inline constexpr char frameColorName[] = "FrameColor@Internal";
// Auxiliary data of a framed node: what its frame means, shown when the
// pointer rests on it (a QString; none or empty: no tooltip).
inline constexpr char frameToolTipName[] = "FrameToolTip@Internal";
// Auxiliary data of the root node: the language (a code such as "de") the
// designer shows the document's texts in.
inline constexpr char languageName[] = "language@Internal";

} // namespace Host::FormEditor
