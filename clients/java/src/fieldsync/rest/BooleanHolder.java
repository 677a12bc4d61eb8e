package fieldsync.rest;

/** An out or in/out parameter: the call reads and replaces its value. */
public class BooleanHolder {
  public boolean value;

  public BooleanHolder() {
  }

  public BooleanHolder(boolean value) {
    this.value = value;
  }
}
