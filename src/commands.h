// The command table: every command a script can call, once, in one row each.
//
//   CMD(Name, folder, arg1, arg2, arg3, arg4, "what it does")
//
// The folder is the subsystem (and the C++ namespace qv::folder) that implements the
// command. Argument kinds:
//   SCR   pointer to a screen record (BMSCR)
//   VAR   pointer to a variable record (PVAL)
//   STR   pointer to zero-terminated text
//   PTR   pointer to a variable's storage (the host passes the buffer itself)
//   INT   signed 32-bit integer
//   NONE  ignored, whatever it holds
//
// This file is included with CMD defined to declare the commands (command_decls.h), to
// build the exported stdcall thunks (host/exports.cpp) and the runner's argument parsing
// (tools/run); the build reads it to write the export list and docs/commands.md. A command
// enters the table only when it works and is tested.
//
// No include guard: it is meant to be expanded more than once.

// Screen table
CMD(SetBMSCR, host, SCR, INT, INT, NONE, "store a screen in table slot arg3 (above 8: slot 8; negative: none) and set copy_redraw to arg2")
CMD(SetBMNo, host, INT, NONE, NONE, NONE, "select the current table slot (outside 0 to 8: slot 0)")

// Version and about
CMD(AboutMe, host, NONE, NONE, NONE, NONE, "show the about box of the utility command set")
CMD(AlphaMethod, host, NONE, NONE, NONE, NONE, "show a one-line notice box")
CMD(GetQuorvelVer, host, NONE, NONE, NONE, PTR, "write \"0.651\" into the buffer; status 394497 (0x060501)")
CMD(GetTobExtVer, host, NONE, NONE, NONE, PTR, "write \"0.801\" into the buffer; status 524289 (0x080001)")
