package fieldsync.rest;

/** An out or in/out parameter: the call reads and replaces its value. */
public class TableHolder {
  public DSTableReader value;

  public TableHolder() {
  }

  public TableHolder(DSTableReader value) {
    this.value = value;
  }
}
