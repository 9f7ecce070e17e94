// A library that loads but exports no Cominput.
extern "C" int NotCominput() { return 0; }
