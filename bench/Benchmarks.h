// The subcommands of velmordian-bench; each returns the process exit code.
#pragma once

int ColumnsLayoutBench(int argc, char **argv);
int Sha1Bench(int argc, char **argv);
int HashBench(int argc, char **argv);
int CopyBench(int argc, char **argv);
int ListBench(int argc, char **argv);
int EngineCopyBench(int argc, char **argv);
int ThumbsBench(int argc, char **argv);
int StegBench(int argc, char **argv);
int SearchBench(int argc, char **argv);
int SearchNamesBench(int argc, char **argv);
int DuplicatesBench(int argc, char **argv);
int ViewBench(int argc, char **argv);
