// The dataset framework and the ODBC dataset live here.
