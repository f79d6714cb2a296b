#pragma once
int RunTrawler(int argc, char **argv);
