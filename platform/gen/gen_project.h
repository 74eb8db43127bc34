#pragma once
// The project directory and the project database folder inside it; the suite's common data folder.

#include <string>

// Sets the project directory for this process; an empty text restores the default (the environment
// variable RDB_PROJECT_DIR, else the current directory).
void gen_set_project_directory(const std::string& dir);
// The project directory in effect.
std::string gen_get_project_directory();
// The project database folder, "<project directory>/db", created on demand. Empty when it cannot be
// created.
std::string gen_get_db_dir_path_string();
// The project's output folder for report files, "<project directory>/output_files", created on
// demand. Empty when it cannot be created.
std::string gen_get_project_output_directory();

// The suite's common data folder, which holds "htdocs" (the templates and assets the HTML and QML
// report writers copy). The first that is a folder: the environment variable RDB_DATA_DIR, the
// installed copy under the install prefix's data folder, the source tree's "data" folder (so that
// programs run from the build tree find it). Empty when none exists.
std::string gen_get_common_data_fullpath();

// The current local date and time as "Sun Dec  6 11:01:07 2026". A pinned text is answered instead
// while set (reproducible report files); an empty text returns to the clock.
std::string gen_get_current_date_and_time();
void gen_pin_current_date_and_time(const std::string& text);
