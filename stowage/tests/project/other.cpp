// A translation unit that includes no generated header: it must never be
// rebuilt when embedded files change.
int otherUnit() { return 42; }
