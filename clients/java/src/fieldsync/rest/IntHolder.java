package fieldsync.rest;

/** An out or in/out parameter: the call reads and replaces its value. */
public class IntHolder {
  public int value;

  public IntHolder() {
  }

  public IntHolder(int value) {
    this.value = value;
  }
}
