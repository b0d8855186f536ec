#pragma once
// The bytes the station sends the crank. The crank answers only the handshake, with identity
// frames; every other byte is a command it carries out silently.

// ':' asks for identity frames, ';' ends them.
constexpr unsigned char identityStartByte = ':';
constexpr unsigned char identityEndByte = ';';
// Sent every few seconds while the station listens; a silenced crank starts streaming again.
constexpr unsigned char keepAliveByte = '3';
// Sent on quitting: three of them silence the crank.
constexpr unsigned char quitByte = '4';
// '7' asks for marker-only revolutions, '8' for the debug mode; each goes out three times.
constexpr unsigned char markerOnlyByte = '7';
constexpr unsigned char debugByte = '8';
// A serial number goes out digit by digit, the digit's place in the high nibble (hundreds 0x50,
// tens 0x60, units 0x70), then 0x81 and '9' close the sequence.
constexpr unsigned char programHundredsTag = 0x50;
constexpr unsigned char programTensTag = 0x60;
constexpr unsigned char programUnitsTag = 0x70;
constexpr unsigned char programCloseByte = 0x81;
constexpr unsigned char programEndByte = '9';
