#pragma once
// The terminal the command-line programs talk to.

// True when standard error is an interactive terminal, where progress may be redrawn
// in place with a carriage return. Where that cannot be told, false: plain lines suit
// any sink.
bool stderrIsTerminal();

// Makes the console show the UTF-8 that the programs write (their texts are Russian).
// Only a Windows console needs this; elsewhere it does nothing.
void useUtf8Console();
