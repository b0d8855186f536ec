#pragma once
// The station's own texts in the rider's language. The texts are written in the code as the
// station has always shown them (partly Italian); the Qt engine looks each one up in the
// catalogue loaded for the rider's language (i18n/zan_en.ts), and a text the catalogue does not
// hold, or any text when none is loaded, stays as written. A text composed with FormatText is
// looked up as its format, before the numbers go in: the catalogue holds formats.
//
// lupdate collects the texts marked here (its -tr-function-alias for Translated and ZAN_TEXT):
// the context and the text must be literals at the call.

// The text in the rider's language; the pointer lives as long as the program.
const char* Translated(const char* context, const char* source);

// Marks a text kept in a constant for the catalogue; the constant is looked up where it is used,
// Translated(context, constant).
#define ZAN_TEXT(context, source) source
