"""A host in Python: runs one report through the installed library with ctypes and prints
its document. usage: consumer.py LIBRARY DATABASE TODAY REPORT PARAMETERS_JSON"""
import ctypes
import sys

library_path, database, today, report, parameters = sys.argv[1:]
lib = ctypes.CDLL(library_path)
text = ctypes.c_char_p
owned = ctypes.POINTER(ctypes.c_char)  # texts the library gives, freed with orla_vendas_free
lib.orla_vendas_open.argtypes = [text, ctypes.POINTER(ctypes.c_void_p), ctypes.POINTER(owned)]
lib.orla_vendas_set_today.argtypes = [ctypes.c_void_p, text, ctypes.POINTER(owned)]
lib.orla_vendas_run.argtypes = [ctypes.c_void_p, text, text, ctypes.POINTER(owned),
                                ctypes.POINTER(owned)]
lib.orla_vendas_release.argtypes = [ctypes.c_void_p]
lib.orla_vendas_free.argtypes = [owned]
lib.orla_vendas_status_name.restype = text


def take(pointer):
    value = ctypes.string_at(pointer).decode("utf-8") if pointer else None
    lib.orla_vendas_free(pointer)
    return value


db = ctypes.c_void_p()
error = owned()
json = owned()
status = lib.orla_vendas_open(database.encode(), ctypes.byref(db), ctypes.byref(error))
if status == 0:
    status = lib.orla_vendas_set_today(db, today.encode(), ctypes.byref(error))
if status == 0:
    status = lib.orla_vendas_run(db, report.encode(), parameters.encode(), ctypes.byref(json),
                                 ctypes.byref(error))
document, message = take(json), take(error)
lib.orla_vendas_release(db)
if status != 0:
    sys.exit(f"{lib.orla_vendas_status_name(status).decode()}: {message}")
print(document)
