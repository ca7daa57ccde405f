#pragma once
// Reading comma-separated numbers from one line of a data file, the way "%d,%d,%f" scanning reads
// them: leading blanks are skipped before each number, the commas must follow at once, and reading
// stops at the first field that does not match. Only finite decimal numbers are taken: a value that
// would not fit (or "nan", "inf") ends the reading, so no data file can bring a non-finite position.
namespace horundel {

union TextField {
  int whole;
  float fraction;
};

// `pattern` holds one letter per field, 'd' for an int and 'f' for a float; returns the number of
// leading fields filled. Fields after the last one filled are left as they were.
int ScanTextFields(const char* text, const char* pattern, TextField* fields);

}  // namespace horundel
