#pragma once
// Prints the cache table at `file` to standard output: a line of field names, then one
// line per row, fields tab-separated in table order. Answers the exit code (0, or 1
// when the file is no dBASE table).
int dumpCacheTable(const char* file);
