# The folders of src/ from the lowest layer to the highest. A file may include
# headers of its own folder and of folders on lower lines only, so the layers
# never form a cycle and each piece lives in the lowest folder that needs it.
# Folders on one line are independent of each other. The pure routines
# (documents) sit beside the platform stand-ins and may use platform/rtl alone:
# they never reach the database or the dialogs. A subsystem whose rules build
# on a later one moves below it here, never the other way round.
set(ZPK_LAYERS
  "platform/rtl"
  "platform/dataset platform/db platform/settings platform/ui documents"
  "platform/tabela"
  "foundation"
  "inventory"
  "billing"
  "receivables"
  "accounting"
  "planning"
  "reporting"
  "ui"
  "messaging")

# Folders whose files may include only platform/rtl besides themselves.
set(ZPK_PURE_FOLDERS documents)
