# Writes dBase tables with python3-dbf into the directory given, for our reader to read: a dBase III
# table in code page 852, a FoxPro table in 1252 and a Visual FoxPro table in 1250, each with memos.
import datetime
import decimal
import os
import sys

import dbf

directory = sys.argv[1]
long_memo = "Čas je zlato, šola ključ " * 400


def write(name, dbf_type, codepage, fields, rows):
    table = dbf.Table(os.path.join(directory, name), fields, dbf_type=dbf_type, codepage=codepage)
    table.open(dbf.READ_WRITE)
    for row in rows:
        table.append(row)
    table.close()


write("dbase3", "db3", "cp852", "NAME C(20); N N(10,2); OK L; D D; M M",
      [("Čšž ČŠŽ", 3.25, True, datetime.date(2024, 2, 29), long_memo),
       ("Žaba", -7, False, datetime.date(1999, 12, 31), "kratek zapis"),
       (None, None, None, None, None)])
write("foxpro", "fp", "cp1252", "NAME C(20); F F(12,3); M M",
      [("Ññ€ÿ", 1.5, "Señor € " * 100)])
write("visual", "vfp", "cp1250", "NAME C(20); I I; Y Y; T T; B B; OK L; D D; M M",
      [("Čšž", -123456, decimal.Decimal("12.3456"), datetime.datetime(2001, 2, 3, 4, 5, 6), 2.5, True,
        datetime.date(2024, 2, 29), long_memo),
       ("prazno", 0, decimal.Decimal("0"), None, 0.0, False, None, None)])
