#pragma once
// The project directory and the project database folder inside it.

#include <string>

// Sets the project directory for this process; an empty text restores the default (the environment
// variable RDB_PROJECT_DIR, else the current directory).
void gen_set_project_directory(const std::string& dir);
// The project directory in effect.
std::string gen_get_project_directory();
// The project database folder, "<project directory>/db", created on demand. Empty when it cannot be
// created.
std::string gen_get_db_dir_path_string();
